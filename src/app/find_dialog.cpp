#include "app/find_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace velorin {

FindDialog::FindDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Najít"));
  setModal(false);
  auto* label = new QLabel(QStringLiteral("Na&jít:"), this);
  findEdit = new QLineEdit(this);
  label->setBuddy(findEdit);
  matchCase = new QCheckBox(QStringLiteral("&Rozlišovat malá a velká písmena"), this);
  auto* direction = new QGroupBox(QStringLiteral("Směr"), this);
  up = new QRadioButton(QStringLiteral("Nahor&u"), direction);
  down = new QRadioButton(QStringLiteral("&Dolů"), direction);
  down->setChecked(true);
  auto* dirLayout = new QHBoxLayout(direction);
  dirLayout->addWidget(up);
  dirLayout->addWidget(down);
  findNext = new QPushButton(QStringLiteral("&Najít další"), this);
  findNext->setDefault(true);
  cancel = new QPushButton(QStringLiteral("Storno"), this);

  auto* grid = new QGridLayout(this);
  auto* textRow = new QHBoxLayout;
  textRow->addWidget(label);
  textRow->addWidget(findEdit, 1);
  grid->addLayout(textRow, 0, 0, 1, 2);
  grid->addWidget(matchCase, 1, 0, Qt::AlignBottom);
  grid->addWidget(direction, 1, 1);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(findNext);
  buttons->addWidget(cancel);
  buttons->addStretch();
  grid->addLayout(buttons, 0, 2, 2, 1);

  connect(findNext, &QPushButton::clicked, this, &FindDialog::Find);
  connect(cancel, &QPushButton::clicked, this, &QDialog::hide);
}

}  // namespace velorin
