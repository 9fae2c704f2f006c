// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One window per state folder. The first start holds the folder's lock for
// its whole life and listens on a local socket named after the folder; a
// later start on the same folder asks it to come to the front and leaves the
// folder alone. Other folders (another portable copy) do not meet.

#include <QObject>

#include <memory>
#include <string>

#include "files/state_lock.h"

class QLocalServer;

namespace qx {

class SingleWindow : public QObject {
 public:
  // Takes the lock on stateDir (which must exist) at once.
  explicit SingleWindow(const std::string& stateDir);
  ~SingleWindow() override;

  // held: this process is the folder's window and now answers later starts;
  // busy: another process holds the folder; failed: see error().
  StateLock::Outcome outcome() const { return lock_.outcome(); }
  const std::string& error() const { return lock_.error(); }

  // busy: asks the running window to come to the front, retrying for a
  // moment while it is still starting. False when it cannot be reached.
  bool bringRunningToFront();
  // busy: brings the running window to the front, or says in a box that the
  // game is already open; returns the exit code of this start.
  int handOver();

  // How many later starts asked this window to the front.
  int raises() const { return raises_; }

  // The socket of a folder: a path in the user's runtime folder (or the
  // temporary one), named after the folder's canonical path.
  static std::string socketPath(const std::string& stateDir);

 private:
  void raise();

  std::string dir_;
  StateLock lock_;
  std::string socket_;
  std::unique_ptr<QLocalServer> server_;
  int raises_ = 0;
};

}  // namespace qx
