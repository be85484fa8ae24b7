// shown_window_probe QUIET_MS PROGRAM [ARG ...]: starts PROGRAM on the X server named by DISPLAY
// (bench/program_start gives it an Xvfb of its own, where nothing else draws) and watches the
// screen's pixels from outside it, a grab every few milliseconds, until no picture new to the run has
// come for QUIET_MS. What the screen shows then is final (a blinking caret gives two pictures that
// alternate); the figure is the time from the start of the process until the screen last came to one
// of those final pictures and stayed with them. Prints that time in milliseconds; ends the program.
// With SHOWN_WINDOW_PNG set, the last picture is kept in that file, to see what was waited for.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: shown_window_probe QUIET_MS PROGRAM [ARG ...]\n");
    return 2;
  }
  const double quiet = std::atof(argv[1]);
  int qtArgc = 1;
  QGuiApplication app(qtArgc, argv);
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return 1;

  const auto start = Clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execv(argv[2], argv + 2);
    std::_Exit(127);
  }
  if (pid < 0) return 1;

  struct Sample {
    Clock::time_point at;
    size_t picture;
  };
  std::vector<Sample> samples;
  std::set<size_t> seen;
  auto lastNew = Clock::now();
  QImage image;
  for (;;) {
    image = screen->grabWindow(0).toImage();
    const auto at = Clock::now();
    const size_t picture = qHashBits(image.constBits(), static_cast<size_t>(image.sizeInBytes()));
    samples.push_back({at, picture});
    if (seen.insert(picture).second) lastNew = at;
    // The screen as it was before the program showed anything is never its final picture.
    if (seen.size() > 1 && Ms(lastNew, at) > quiet) break;
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      std::fprintf(stderr, "the program ended before its window settled\n");
      return 1;
    }
    if (Ms(start, at) > 120000) {
      std::fprintf(stderr, "the screen never settled\n");
      ::kill(pid, SIGKILL);
      return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ::kill(pid, SIGKILL);  // nothing of its state is needed
  ::waitpid(pid, nullptr, 0);
  if (const char* png = std::getenv("SHOWN_WINDOW_PNG")) image.save(QString::fromLocal8Bit(png));

  // The final pictures: those of the quiet time at the end; the figure is where they began for good.
  std::set<size_t> final;
  for (auto it = samples.rbegin(); it != samples.rend() && Ms(it->at, samples.back().at) <= quiet; ++it)
    final.insert(it->picture);
  size_t first = samples.size();
  while (first > 0 && final.count(samples[first - 1].picture)) --first;
  std::printf("%.0f\n", Ms(start, samples[first].at));
  return 0;
}
