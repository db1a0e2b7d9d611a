#pragma once

#include <QAbstractListModel>
#include <functional>

#include "document/subtitle_list.h"

namespace velorin {

// Shows a SubtitleList in a list view. Rows are decoded only when the view
// asks for them, so a million-row document costs nothing until scrolled.
class SubtitleListModel : public QAbstractListModel {
  Q_OBJECT
 public:
  using Decoder = std::function<QString(std::string_view)>;
  SubtitleListModel(const SubtitleList& list, Decoder decode, QObject* parent = nullptr)
      : QAbstractListModel(parent), list_(list), decode_(std::move(decode)) {}

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : list_.Count();
  }
  QVariant data(const QModelIndex& index, int role) const override;

  void SetRowHeight(int height) { rowHeight_ = height; }
  void ResetAll() {
    beginResetModel();
    endResetModel();
  }
  void RowsChanged(int first, int last) {
    if (first <= last) emit dataChanged(index(first), index(last), {Qt::DisplayRole});
  }

 private:
  const SubtitleList& list_;
  Decoder decode_;
  int rowHeight_ = 16;
};

}  // namespace velorin
