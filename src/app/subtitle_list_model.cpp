#include "app/subtitle_list_model.h"

#include <QSize>

namespace velorin {

QVariant SubtitleListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= list_.Count()) return {};
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
    return role == Qt::DisplayRole ? QVariant(decode_(list_.Line(index.row()))) : QVariant();
  if (role == Qt::SizeHintRole) return QSize(-1, rowHeight_);
  return {};
}

}  // namespace velorin
