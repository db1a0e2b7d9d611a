#include "app/subtitle_list_model.h"

#include <QAccessible>
#include <QSize>

namespace velorin {

QVariant SubtitleListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= list_.Count()) return {};
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
    return role == Qt::DisplayRole ? QVariant(decode_(list_.Line(index.row()))) : QVariant();
  if (role == Qt::SizeHintRole) return QSize(-1, rowHeight_);
  return {};
}

void SubtitleListModel::RowsRewritten() {
  const QModelIndexList kept = persistentIndexList();
  changePersistentIndexList(kept, QModelIndexList(kept.size()));
  RowsChanged(0, list_.Count() - 1);
}

void SubtitleListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                   const QList<int>& roles) {
  // The row height comes from the model, not from the text: nothing to lay
  // out when only the text changed, and the list has no editors to refresh.
  // A screen reader listening is told of the change by the base class.
  // Rows added or removed without a reset still get the base class's layout.
  const bool onlyText = !roles.isEmpty() && !roles.contains(Qt::SizeHintRole);
  const auto* rows = qobject_cast<const SubtitleListModel*>(model());
  if (!uniformItemSizes() || !onlyText || !rows || !rows->SameRowCount() ||
      topLeft.row() == bottomRight.row() || QAccessible::isActive()) {
    QListView::dataChanged(topLeft, bottomRight, roles);
    return;
  }
  viewport()->update();
}

}  // namespace velorin
