#pragma once

#include <QAbstractListModel>
#include <QListView>
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
      : QAbstractListModel(parent), list_(list), decode_(std::move(decode)), shown_(list.Count()) {}

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : list_.Count();
  }
  QVariant data(const QModelIndex& index, int role) const override;

  void SetRowHeight(int height) { rowHeight_ = height; }
  void ResetAll() {
    beginResetModel();
    shown_ = list_.Count();
    endResetModel();
  }
  // Whether the views were last told of as many rows as the list has now:
  // then changed rows need no reset, which would lay out every row again.
  bool SameRowCount() const { return shown_ == list_.Count(); }
  // Every row's text may have changed, their number not: the rows the views
  // remember (current row, selection anchor, hovered row) are forgotten as at
  // a reset, and every row is painted again.
  void RowsRewritten();
  void RowsChanged(int first, int last) {
    if (first <= last) emit dataChanged(index(first), index(last), {Qt::DisplayRole});
  }

 private:
  const SubtitleList& list_;
  Decoder decode_;
  int rowHeight_ = 16;
  int shown_;  // rows at the last reset
};

// A list view whose rows all have one height (uniform item sizes): rows whose
// text changed are only painted again. QListView lays out every row after a
// change of many rows, which on a million rows takes longer than the command.
class SubtitleListView : public QListView {
 public:
  using QListView::QListView;

 protected:
  void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                   const QList<int>& roles) override;
};

}  // namespace velorin
