// Shows a main-window form on the real window system, moves and resizes it, ends it through the
// Exit action and lets the global settings write the settings file.
//   formprobe <settings-file> move <left> <top> <width> <height>
//   formprobe <settings-file> show
// Prints "shown <left> <top> <width> <height>" after the first showing (the loaded geometry) and,
// for "move", "moved <left> <top> <width> <height>" once the window system reports the new one.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "SystemLeakSuppressions.h"
#include "platform/Lifecycle.h"
#include "platform/UIServices.h"
#include "platform/qt/QtUIServices.h"
#include "ui/UBaseMainForm.h"
#include "xml/uGlobalSettings.h"

namespace {

class TProbeMainForm : public TBaseMainForm {
 public:
  TProbeMainForm() : TBaseMainForm(nullptr) { setWindowTitle("formprobe"); }
};

bool WaitFor(const std::function<bool()>& done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: formprobe <settings-file> move <l> <t> <w> <h> | show\n");
    return 2;
  }
  const std::string file = argv[1];
  const std::string mode = argv[2];
  if (mode == "move" && argc < 7) return 2;
  QApplication app(argc, argv);
  platform::QtUIServices ui;
  platform::ScopedUIServices useUi(ui);
  int rc = 0;
  {
    TGlobalSettingsScope settings(file);
    TProbeMainForm* form = platform::Construct<TProbeMainForm>();
    form->show();
    WaitFor([&] { return form->isVisible() && form->windowHandle() && form->windowHandle()->isExposed(); }, 5000);
    std::printf("shown %d %d %d %d\n", form->x(), form->y(), form->width(), form->height());
    if (mode == "move") {
      const int l = std::atoi(argv[3]), t = std::atoi(argv[4]), w = std::atoi(argv[5]), h = std::atoi(argv[6]);
      form->move(l, t);
      form->resize(w, h);
      if (!WaitFor([&] { return form->pos() == QPoint(l, t) && form->size() == QSize(w, h); }, 5000)) rc = 3;
      std::printf("moved %d %d %d %d\n", form->x(), form->y(), form->width(), form->height());
    }
    // Close to minimise is on: the frame's close only minimises; the Exit action really ends.
    QTimer::singleShot(0, form, [form] { form->actnExit->trigger(); });
    QTimer::singleShot(10000, &app, [] { QApplication::exit(4); });
    const int loop = app.exec();
    if (loop != 0) rc = loop;
    if (!form->CloseAccepted()) rc = 5;
    platform::Destroy(form);  // writes the geometry into the settings document
  }                           // the settings scope writes the file
  std::fflush(stdout);
  return rc;
}
