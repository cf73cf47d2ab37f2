// From the "How to Use" menu command to its topic painted in the help viewer, through the real
// main window and the compiled help file beside the program: prints the first opening, the
// median of fresh openings and of a viewer that is already open, and the help file's size.
#include <QApplication>
#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/frmPiano.h"
#include "help/HTMLHelp.h"
#include "help/HelpViewer.h"

using namespace tonalix;
using Clock = std::chrono::steady_clock;

namespace {

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Runs "How to Use" and waits until its topic has been laid out and painted; milliseconds.
double openOnce(frmPiano& window, help::HelpViewer*& viewer) {
  const auto start = Clock::now();
  window.Contents()->trigger();
  viewer = qobject_cast<help::HelpViewer*>(window.htmlHelp()->HHWndHandle());
  if (!viewer) return -1;
  QApplication::processEvents();
  viewer->repaint();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  frmPiano window;
  window.Form_Load();
  window.show();
  QApplication::processEvents();

  help::HelpViewer* viewer = nullptr;
  const double first = openOnce(window, viewer);
  if (first < 0 || viewer->currentTopic() != QStringLiteral("/start.htm")) {
    std::fprintf(stderr, "the help file did not open at its start page\n");
    return 1;
  }
  const QString path = window.htmlHelp()->CHMFile();

  std::vector<double> fresh, open;
  for (int i = 0; i < 20; ++i) {
    window.htmlHelp()->HHClose();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    fresh.push_back(openOnce(window, viewer));
  }
  for (int i = 0; i < 20; ++i) {
    viewer->ShowTopic(QStringLiteral("troubleshooting.htm"));
    open.push_back(openOnce(window, viewer));
  }
  std::printf("help file %s: %lld bytes\n", qPrintable(path), static_cast<long long>(QFileInfo(path).size()));
  std::printf("How to Use to topic 1 painted: first %.1f ms, fresh viewer median %.1f ms, "
              "open viewer median %.1f ms (target < 150 ms)\n",
              first, median(fresh), median(open));
  window.close();
  return 0;
}
