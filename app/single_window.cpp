// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/single_window.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QWidget>

#include <unistd.h>

#include "files/data_dirs.h"
#include "files/saved_state.h"
#include "platform/qt/qt_platform.h"
#include "texts/texts.h"

namespace qx {

namespace {

constexpr QByteArrayView kRaise = "raise\n";

}  // namespace

std::string SingleWindow::socketPath(const std::string& stateDir) {
  QString dir = QFileInfo(QString::fromStdString(stateDir)).canonicalFilePath();
  if (dir.isEmpty()) dir = QDir::cleanPath(QDir(QString::fromStdString(stateDir)).absolutePath());
  const QByteArray hash = QCryptographicHash::hash(dir.toUtf8(), QCryptographicHash::Sha256).toHex().left(20);
  QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!QDir::isAbsolutePath(base) || !QFileInfo(base).isDir()) base = QDir::tempPath();
  return (base + "/quincunx-" + QString::number(::getuid()) + "-" + QString::fromLatin1(hash)).toStdString();
}

SingleWindow::SingleWindow(const std::string& stateDir)
    : dir_(stateDir), lock_(stateDir), socket_(socketPath(stateDir)) {
  if (lock_.outcome() != StateLock::held) return;
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  const QString name = QString::fromStdString(socket_);
  // Holding the lock, any socket there is one a killed window left.
  if (!server_->listen(name)) {
    QLocalServer::removeServer(name);
    if (!server_->listen(name)) return;  // later starts then say the game is open
  }
  QObject::connect(server_.get(), &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* s = server_->nextPendingConnection()) {
      QObject::connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
      QObject::connect(s, &QLocalSocket::readyRead, this, [this, s] {
        if (s->readAll().startsWith(QByteArray(kRaise.data(), kRaise.size() - 1))) raise();
      });
      if (s->bytesAvailable() > 0) emit s->readyRead();
    }
  });
}

SingleWindow::~SingleWindow() = default;

void SingleWindow::raise() {
  ++raises_;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (!w->isVisible() && !w->isMinimized()) continue;
    w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    w->show();
    w->raise();
    w->activateWindow();
  }
}

bool SingleWindow::bringRunningToFront() {
  const QString name = QString::fromStdString(socket_);
  QElapsedTimer clock;
  clock.start();
  // The running window may have the lock but not yet its socket.
  do {
    QLocalSocket s;
    s.connectToServer(name);
    if (s.waitForConnected(500)) {
      s.write(kRaise.data(), kRaise.size());
      const bool sent = s.waitForBytesWritten(1000);
      s.disconnectFromServer();
      if (sent) return true;
    }
    QThread::msleep(50);
  } while (clock.elapsed() < 3000);
  return false;
}

int SingleWindow::handOver() {
  if (bringRunningToFront()) return 0;
  // Read only: the language the running window last recorded.
  Settings s;
  int su = 0;
  Grid tab7;
  const ReadStatus st = lecturi(dir_, s, su, tab7);
  const int lang = st && !st.missing ? s.lang : localeLanguage();
  QtPlatform platform;
  platform.setLanguage(lang);
  const Message box = alreadyOpen(lang);
  platform.messageBox(box.text, box.title, box.style);
  return 1;
}

}  // namespace qx
