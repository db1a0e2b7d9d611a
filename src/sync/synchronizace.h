#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <cstdint>

#include "document/subtitle_list.h"
#include "document/text_encoding.h"
#include "sync/sync_points.h"

namespace velorin {

class MainForm;
class SubtitleListModel;

// Advanced synchronization: subtitles of the document paired with their
// correct frames (from a synchronization file or typed), and the document
// retimed linearly between each two neighbouring points.
class TForm11 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm11(MainForm& form1, QWidget* parent = nullptr);
  ~TForm11() override;

  void FormCreate();
  // Loads the synchronization file's subtitle lines into ListBox2 and drops
  // every point; false when the file holds no subtitle line.
  bool LoadSyncList(const QString& path);
  void PrButClick();
  void PridButClick();
  void VlozButClick();
  void DopButClick();
  void OdebButClick();
  void OdebVseButClick();
  void ListBox3DblClick();
  void ListBox3KeyDown();
  void SyncButClick();
  void ZavButClick();
  void Timer1Timer();
  // The synchronization-frame dialog for the subtitle selected in ListBox1;
  // -1 when it was not confirmed.
  int32_t AskNewFrame();

  QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7;
  QListView* ListBox1;  // the document
  QLineEdit* ESync;
  QPushButton* PrBut;
  QListView* ListBox2;    // the synchronization file's subtitle lines
  QListWidget* ListBox3;  // the points, "new/old"
  QListWidget* ListBox4;  // hidden: each point's document row
  QPushButton *PridBut, *VlozBut, *DopBut, *OdebBut, *OdebVseBut, *SyncBut, *ZavBut;
  QTimer* Timer1;

  const SyncPoints& Points() const { return points_; }
  // Shows points proposed elsewhere (the automatic synchronization) in place
  // of the current ones, for the user to check, edit and run.
  void ProposePoints(const SyncPoints& points);

  // No closing while the synchronization runs.
  void done(int result) override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int SelectedRow(const QListView* list) const;
  int SelectedPoint() const;
  // Places a point for the selected subtitle at index `at`; the clash message
  // is worded for how.
  void PlacePoint(size_t at, SyncPlacement how);
  // Shows the points in ListBox3 and ListBox4 with row `select` selected (-1:
  // none), and their count in Label7.
  void ShowPoints(int select);

  MainForm& form1_;
  SubtitleList syncList_;  // the synchronization file's subtitle lines
  TextEncoding syncEncoding_ = TextEncoding::Utf8;
  SubtitleListModel* docModel_;
  SubtitleListModel* syncModel_;
  SyncPoints points_;
  bool running_ = false;
};

}  // namespace velorin
