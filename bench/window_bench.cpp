// The main window on a large subtitle file, driven as a person drives it:
// window_bench FILE
//
// Runs offscreen. Prints the time of reading the file alone, of opening it in
// the window (its name typed into the source field and Enter) until the list
// shows its rows, and of every command that works on the whole list, each
// from its key, menu item or button to the window being idle again. Commands
// that can be repeated run three times with undo between; the median is
// printed. A program to read, not a test: nothing here judges the times.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/find_dialog.h"
#include "document/subtitle_file.h"
#include "edit/doplneni.h"
#include "edit/pravopis.h"
#include "layout/formatovani.h"
#include "layout/sire.h"
#include "windows/window_test_support.h"

using namespace velorin;
using namespace velorin::test;

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Until nothing is left to do: layouts, paints, deferred deletes.
void Settle() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

// Notes whether the status bar's progress bar was shown.
class ShowWatcher : public QObject {
 public:
  bool shown = false;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Show) shown = true;
    return false;
  }
};

// Acts on the next modal dialog of type D once it is the active window (the
// caller is blocked in its exec()); the act must close it.
template <typename D>
void OnDialog(std::function<void(D&)> act) {
  auto* timer = new QTimer;
  timer->setInterval(1);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
    if (!d || !d->isActiveWindow()) return;
    timer->deleteLater();
    act(*d);
  });
  timer->start();
}

// The process's CPU time in ms: on a machine shared with other work the wall
// time of a step varies with the load, this much less.
double CpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

struct Row {
  std::string name;
  double run = -1;    // ms, median
  double cpu = -1;    // CPU ms, median
  double undo = -1;   // ms, median; -1 none
  double inner = -1;  // ms, median of the part inside a dialog (its OK button); -1 none
  bool progress = false;
  int rows = -1;  // rows after the command
};

class Bench {
 public:
  explicit Bench(const QString& file) : file_(file) {
    TForm1& w = *f_.form;
    w.show();
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w))
      std::fprintf(stderr, "the window did not become active\n");
    w.StatusProgress->installEventFilter(&watcher_);
  }

  TForm1& W() { return *f_.form; }
  ScriptedPrompts& Prompts() { return f_.prompts; }

  // The state refresh the window's timer does every 10 ms (it does not run here).
  void Refresh() { W().Timer1Timer(); }

  void FocusList() {
    W().activateWindow();
    if (!W().isActiveWindow() && !QTest::qWaitForWindowActive(&W()))
      std::fprintf(stderr, "the window did not become active\n");
    W().ListBox1->setFocus();
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(W().ListBox1, key, mods);
  }
  void SelectAll() {
    FocusList();
    Refresh();
    Key(Qt::Key_A, Qt::ControlModifier);
    Settle();
  }
  void SelectFirst() {
    FocusList();
    W().ListBox1->selectionModel()->setCurrentIndex(W().ListBox1->model()->index(0, 0),
                                                    QItemSelectionModel::ClearAndSelect);
    Settle();
  }
  void Undo() {
    FocusList();
    Refresh();
    Key(Qt::Key_Backspace, Qt::AltModifier);
    Settle();
  }

  // Times act (and the events after it) three times; prepare before and undo
  // after each run are not counted in run but undo is timed on its own.
  // Steps whose name holds one of these (all steps when none); the file is
  // always opened.
  std::vector<std::string> only;
  bool Wanted(const std::string& name) const {
    return only.empty() || name.rfind("open (", 0) == 0 ||
           std::any_of(only.begin(), only.end(),
                       [&](const std::string& o) { return name.find(o) != std::string::npos; });
  }

  Row Measure(const std::string& name, const std::function<void()>& prepare,
              const std::function<void()>& act, bool undo, double* inner = nullptr, int reps = 3) {
    Row row{name};
    if (!Wanted(name)) return row;
    std::vector<double> runs, cpus, undos, inners;
    for (int i = 0; i < reps; ++i) {
      // A fresh history: an undo below takes back this command only.
      W().History().Clear();
      prepare();
      Refresh();
      watcher_.shown = false;
      if (inner) *inner = -1;
      const double cpu = CpuMs();
      QElapsedTimer t;
      t.start();
      act();
      Settle();
      runs.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
      cpus.push_back(CpuMs() - cpu);
      if (inner && *inner >= 0) inners.push_back(*inner);
      row.progress = row.progress || watcher_.shown;
      row.rows = W().Doc().Count();
      if (undo) {
        if (!W().History().CanUndo()) {
          undo = false;  // the command changed nothing
          continue;
        }
        QElapsedTimer u;
        u.start();
        Undo();
        undos.push_back(static_cast<double>(u.nsecsElapsed()) / 1e6);
      }
    }
    row.run = Median(runs);
    row.cpu = Median(cpus);
    if (!undos.empty()) row.undo = Median(undos);
    if (!inners.empty()) row.inner = Median(inners);
    rows_.push_back(row);
    return row;
  }

  void Print() const {
    std::printf("%-44s %10s %10s %10s %10s %9s %9s\n", "step", "ms", "cpu ms", "undo ms",
                "dialog ms", "progress", "rows");
    for (const Row& r : rows_) {
      auto num = [](double v) {
        char b[32];
        if (v < 0)
          std::snprintf(b, sizeof b, "%10s", "-");
        else
          std::snprintf(b, sizeof b, "%10.1f", v);
        return std::string(b);
      };
      std::printf("%-44s %s %s %s %s %9s %9d\n", r.name.c_str(), num(r.run).c_str(),
                  num(r.cpu).c_str(), num(r.undo).c_str(), num(r.inner).c_str(),
                  r.progress ? "yes" : "no", r.rows);
    }
  }

  void Add(Row r) { rows_.push_back(std::move(r)); }

  QString file_;

 private:
  MainWindowFixture f_;
  ShowWatcher watcher_;
  std::vector<Row> rows_;
};

double Ms(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: window_bench FILE [STEP...]\n");
    return 2;
  }
  // As the program starts.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QString file = QString::fromLocal8Bit(argv[1]);

  Bench b(file);
  for (int i = 2; i < argc; ++i) b.only.push_back(argv[i]);
  TForm1& w = b.W();

  // Reading alone.
  if (b.Wanted("ReadSubtitleLines")) {
    std::vector<double> runs, cpus;
    for (int i = 0; i < 3; ++i) {
      const double cpu = CpuMs();
      QElapsedTimer t;
      t.start();
      ReadOutcome read = ReadSubtitleLines(QFile::encodeName(file).toStdString(), {});
      runs.push_back(Ms(t));
      cpus.push_back(CpuMs() - cpu);
      if (read.lines.empty()) {
        std::fprintf(stderr, "no subtitles in %s\n", argv[1]);
        return 1;
      }
    }
    b.Add({"ReadSubtitleLines", Median(runs), Median(cpus)});
  }

  // Opening: the name typed into the source field, Enter, until the list
  // shows the rows.
  b.Measure(
      "open (source field + Enter, until shown)",
      [&] {
        w.ESource->setFocus();
        w.ESource->selectAll();
        QTest::keyClicks(w.ESource, file);
      },
      [&] {
        QTest::keyClick(w.ESource, Qt::Key_Return);
        while (w.ListBox1->model()->rowCount() != w.Doc().Count() || w.Doc().Empty())
          QCoreApplication::processEvents();
        w.ListBox1->viewport()->repaint();
      },
      false);
  w.ETarget->setText(QDir::temp().filePath("window_bench_out.sub"));
  const int total = w.Doc().Count();
  std::printf("%d rows\n", total);

  auto none = [&] { b.FocusList(); };
  b.Measure(
      "select all (Ctrl+A)", [&] { b.SelectFirst(); },
      [&] { b.Key(Qt::Key_A, Qt::ControlModifier); }, false);
  b.Measure(
      "sort (Ctrl+R)", [&] { b.SelectAll(); }, [&] { b.Key(Qt::Key_R, Qt::ControlModifier); },
      true);
  b.Measure(
      "repair all selected (Ctrl+O)", [&] { b.SelectAll(); },
      [&] { b.Key(Qt::Key_O, Qt::ControlModifier); }, true);
  const struct {
    const char* name;
    Qt::Key key;
  } removals[] = {{"remove style (Alt+Shift+S)", Qt::Key_S},
                  {"remove size (Alt+Shift+V)", Qt::Key_V},
                  {"remove colour (Alt+Shift+B)", Qt::Key_B},
                  {"remove font (Alt+Shift+P)", Qt::Key_P},
                  {"remove all formatting (Alt+Shift+A)", Qt::Key_A}};
  for (const auto& r : removals)
    b.Measure(
        r.name, [&] { b.SelectAll(); }, [&] { b.Key(r.key, Qt::AltModifier | Qt::ShiftModifier); },
        true);

  // Recalculation of every row: offset and scale typed, Ctrl+P; then its
  // undo and redo.
  // Every command ends with the offset and scale cleared: typed again before each.
  auto typeValues = [&] {
    w.E5->setFocus();
    w.E5->clear();
    QTest::keyClicks(w.E5, "10");
    w.E6->setFocus();
    w.E6->clear();
    QTest::keyClicks(w.E6, "1,001");
  };
  b.Measure(
      "recalculate all (Ctrl+P)",
      [&] {
        typeValues();
        b.SelectFirst();
      },
      [&] { b.Key(Qt::Key_P, Qt::ControlModifier); }, true);
  if (b.Wanted("redo of recalculate all (Ctrl+Y)")) {
    std::vector<double> redos, cpus;
    typeValues();
    b.SelectFirst();
    b.Refresh();
    b.Key(Qt::Key_P, Qt::ControlModifier);
    Settle();
    for (int i = 0; i < 3; ++i) {
      b.Undo();
      b.FocusList();
      b.Refresh();
      const double cpu = CpuMs();
      QElapsedTimer t;
      t.start();
      b.Key(Qt::Key_Y, Qt::ControlModifier);
      Settle();
      redos.push_back(Ms(t));
      cpus.push_back(CpuMs() - cpu);
    }
    b.Undo();
    b.Add({"redo of recalculate all (Ctrl+Y)", Median(redos), Median(cpus)});
  }
  b.Measure(
      "recalculate selected (Alt+P), all selected",
      [&] {
        typeValues();
        b.SelectAll();
      },
      [&] { b.Key(Qt::Key_P, Qt::AltModifier); }, true);

  // Find: a text that is nowhere, from the first row down.
  b.Measure(
      "find dialog open (Ctrl+H)", [&] { b.SelectFirst(); },
      [&] { b.Key(Qt::Key_H, Qt::ControlModifier); }, false);
  if (FindDialog* d = w.FindDialog1) {
    d->findEdit->setFocus();
    d->findEdit->selectAll();
    QTest::keyClicks(d->findEdit, "zzzz nikde");
    b.Measure(
        "find: not found (Najít další)", [&] { b.SelectFirst(); }, [&] { d->findNext->click(); },
        false);
    d->cancel->click();
  }
  b.Measure(
      "go to frame past the end (Ctrl+T)", [&] { b.Prompts().inputs = {QString("2000000000")}; },
      [&] { b.Key(Qt::Key_T, Qt::ControlModifier); }, false);

  // Completion of the second frames of every row.
  double inner = -1;
  b.Measure(
      "completion, all selected (Ctrl+2, OK)", [&] { b.SelectAll(); },
      [&] {
        OnDialog<TForm13>([&](TForm13& d) {
          QElapsedTimer t;
          t.start();
          d.OKBut->click();
          inner = Ms(t);
        });
        b.Key(Qt::Key_2, Qt::ControlModifier);
      },
      true, &inner);
  b.Measure(
      "remove second frames (Ctrl+Del)", [&] { b.SelectAll(); },
      [&] { b.Key(Qt::Key_Delete, Qt::ControlModifier); }, true);
  b.Measure(
      "join into one line (menu item)", [&] { b.SelectAll(); }, [&] { w.Spojit1->trigger(); },
      true);
  b.Measure(
      "split into two lines (menu item)", [&] { b.SelectAll(); }, [&] { w.Rozdelit2->trigger(); },
      true);

  // The formatting dialogs on every row.
  const struct {
    const char* name;
    Qt::Key key;
    std::function<void(TForm7&)> set;
  } formats[] = {
      {"set style italic (Ctrl+Shift+S, OK)", Qt::Key_S,
       [](TForm7& d) { QTest::mouseClick(d.L2, Qt::LeftButton); }},
      {"set size 30 (Ctrl+Shift+V, OK)", Qt::Key_V,
       [](TForm7& d) { QTest::keyClicks(d.EVel, "30"); }},
      {"set colour (Ctrl+Shift+B, OK)", Qt::Key_B,
       [](TForm7& d) { QTest::keyClick(d.ComboBox1, Qt::Key_Down); }},
      {"set font (Ctrl+Shift+P, OK)", Qt::Key_P, [](TForm7&) {}},
  };
  for (const auto& fm : formats)
    b.Measure(
        fm.name, [&] { b.SelectAll(); },
        [&] {
          OnDialog<TForm7>([&](TForm7& d) {
            fm.set(d);
            QElapsedTimer t;
            t.start();
            d.OKBut->click();
            inner = Ms(t);
          });
          b.Key(fm.key, Qt::ControlModifier | Qt::ShiftModifier);
        },
        true, &inner);

  // Width fitting: counting the rows too wide (every row measured).
  b.Measure(
      "width: count too wide (Ctrl+S, button)", [&] { b.SelectFirst(); },
      [&] {
        OnDialog<TForm4>([&](TForm4& d) {
          QElapsedTimer t;
          t.start();
          d.Button5->click();
          inner = Ms(t);
          QTest::keyClick(&d, Qt::Key_Escape);
        });
        b.Key(Qt::Key_S, Qt::ControlModifier);
      },
      false, &inner);

  // The largest size at which every row fits (every row measured), and
  // re-breaking every row too wide, then its undo.
  struct WidthButton {
    const char* name;
    QPushButton* TForm4::*button;
    bool changes;
  } widthButtons[] = {{"width: largest fitting size (Ctrl+S, button)", &TForm4::Button2, false},
                      {"width: fit rows too wide (Ctrl+S, button)", &TForm4::Button3, true}};
  for (const WidthButton& wb : widthButtons)
    b.Measure(
        wb.name, [&] { b.SelectFirst(); },
        [&] {
          OnDialog<TForm4>([&](TForm4& d) {
            QElapsedTimer t;
            t.start();
            (d.*wb.button)->click();
            inner = Ms(t);
            if (d.isVisible()) QTest::keyClick(&d, Qt::Key_Escape);
          });
          b.Key(Qt::Key_S, Qt::ControlModifier);
        },
        wb.changes, &inner);

  b.Measure(
      "save all (F3)", none, [&] { b.Key(Qt::Key_F3); }, false);
  std::fprintf(stderr, "saved %lld bytes\n", QFileInfo(w.ETarget->text()).size());

  // Select all and delete, then its undo.
  b.Measure(
      "select all + Delete", [&] { b.SelectAll(); }, [&] { b.Key(Qt::Key_Delete); }, true);

  // Spelling over the whole list: to the first unknown word (the dialog is
  // then closed), or through every row when all words are known.
  b.Measure(
      "spell check, whole list (Shift+F7)",
      [&] {
        b.FocusList();
        w.ListBox1->selectionModel()->clearSelection();
      },
      [&] {
        OnDialog<SpellDialog>([&](SpellDialog& d) { d.ZavritBut->click(); });
        b.Key(Qt::Key_F7, Qt::ShiftModifier);
      },
      false);

  b.Measure(
      "close (F10)", none,
      [&] {
        w.SetChanged(false);
        b.Key(Qt::Key_F10);
      },
      false, nullptr, 1);
  QFile::remove(QDir::temp().filePath("window_bench_out.sub"));

  std::printf("\n");
  b.Print();
  // What the window said: a command that stopped with a message did not run.
  std::printf("\nshown by the window:\n");
  for (const auto& s : b.Prompts().shown)
    std::printf("  %s: %s\n", s.kind.toUtf8().constData(), s.text.left(110).toUtf8().constData());
  return 0;
}
