// SPDX-License-Identifier: GPL-3.0-or-later
// The Platform object on Qt: its state, the timers, the language of Qt's own
// words, the event loop and the solver's pumps.
#include "platform/qt/qt_platform.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QProcess>
#include <QScreen>
#include <algorithm>
#include <thread>

#include "platform/qt/qt_platform_impl.h"

namespace qx {

namespace {

// Windows keeps timers at 10 ms or more.
constexpr int kMinTimerMs = 10;

}  // namespace

QtPlatform::QtPlatform() : d_(std::make_unique<Impl>()) {
  // The program ends the loop itself when its window is destroyed.
  QGuiApplication::setQuitOnLastWindowClosed(false);
}

QtPlatform::~QtPlatform() = default;

void QtPlatform::setWindowProc(WindowProc* proc) { d_->proc = proc; }

void QtPlatform::setLanguage(int lang) {
  if (d_->qtWords) {
    QCoreApplication::removeTranslator(d_->qtWords.get());
    d_->qtWords.reset();
  }
  if (lang != 0) return;  // Qt speaks English by itself
  auto words = std::make_unique<QTranslator>();
  // Without the translations installed the boxes stay in English.
  if (!words->load(QStringLiteral("qtbase_fr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return;
  QCoreApplication::installTranslator(words.get());
  d_->qtWords = std::move(words);
}

Point QtPlatform::screenSize() {
  QScreen* screen = d_->window ? d_->window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return {};
  const QSize size = screen->geometry().size();
  return {size.width(), size.height()};
}

void QtPlatform::startTimer(int id, int periodMs) {
  auto& timer = d_->timers[id];
  if (!timer) {
    timer = std::make_unique<Impl::Timer>();
    Impl* d = d_.get();
    Impl::Timer* t = timer.get();
    // Ticks go through the queue rather than straight from the timeout: Qt
    // never fires a timer again while its own handler runs, Windows does (a
    // box opened from a tick keeps that timer ticking). Like Windows, at most
    // one tick per timer waits.
    QObject::connect(&t->qt, &QTimer::timeout, [d, t, id] {
      if (d->pumping || t->queued) return;
      t->queued = true;
      QMetaObject::invokeMethod(
          &t->qt,
          [d, t, id] {
            t->queued = false;
            if (t->qt.isActive() && !d->pumping) {
              d->send(kMsgTimer, static_cast<std::uintptr_t>(id), 0);
            }
          },
          Qt::QueuedConnection);
    });
  }
  // Starting an existing id replaces its period, as SetTimer does.
  timer->qt.start(std::max(periodMs, kMinTimerMs));
}

void QtPlatform::stopTimer(int id) {
  // Kept, not deleted: the program may stop a timer from its own tick.
  if (auto it = d_->timers.find(id); it != d_->timers.end()) it->second->qt.stop();
}

bool QtPlatform::startDetached(const std::string& program, const std::vector<std::string>& args) {
  QStringList arguments;
  for (const auto& a : args) arguments << QFile::decodeName(a.c_str());
  return QProcess::startDetached(QFile::decodeName(program.c_str()), arguments);
}

int QtPlatform::run() {
  // QCoreApplication::exit() is lost outside a loop: replay it once this one
  // has served what is already queued.
  if (d_->quitPending) {
    QTimer::singleShot(0, QCoreApplication::instance(),
                       [code = d_->quitCode] { QCoreApplication::exit(code); });
  }
  const int code = QCoreApplication::exec();
  d_->quitPending = false;
  return code;
}

void QtPlatform::quit(int code) {
  d_->quitPending = true;
  d_->quitCode = code;
  // Ends every running loop, a modal box's included.
  QCoreApplication::exit(code);
}

void QtPlatform::pumpForSolver() {
  ++d_->pumping;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  --d_->pumping;
}

void QtPlatform::runAside(const std::function<void()>& work) {
  QEventLoop loop;
  ++d_->pumping;
  std::thread worker([&] {
    work();
    // Queued, so the loop quits even if the work ends before it runs.
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
  --d_->pumping;
}

}  // namespace qx
