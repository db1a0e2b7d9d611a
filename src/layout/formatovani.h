#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velorin {

class MainForm;

// A drop-down list whose entries the formatting dialog draws itself: a colour
// swatch with the colour's name, or a font name in its own font.
class FormatComboBox : public QComboBox {
  Q_OBJECT
 public:
  enum class Drawing { Colors, Fonts };
  explicit FormatComboBox(QWidget* parent = nullptr);
  void SetDrawing(Drawing drawing) { drawing_ = drawing; }
  Drawing GetDrawing() const { return drawing_; }
  // Draws entry index into rect (the item rectangle).
  void ComboBox1DrawItem(QPainter& painter, int index, const QRect& rect, bool selected) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Drawing drawing_ = Drawing::Colors;
};

// The formatting dialog: puts one kind of format (style, size, colour or
// font) on every selected subtitle of the main window.
class TForm7 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm7(MainForm& form1);

  int FormatKind = 0;  // 0 style, 1 size, 2 colour, 3 font

  QLabel* Label1;
  QCheckBox *Check1, *Check2, *Check3;
  QLabel *L1, *L2, *L3;
  QLineEdit* EVel;
  FormatComboBox* ComboBox1;
  QPushButton *OKBut, *StornoBut;

  void FormShow();
  void OKButClick();
  void StornoButClick();
  // The kind letter of FormatKind: Y, S, C or F.
  char KindLetter() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The whole-subtitle tag the dialog's controls describe.
  std::string NewTag() const;

  MainForm& form1_;
};

}  // namespace velorin
