#include "platform/MarkerInstanceList.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QUrl>
#include <QUuid>
#include <cerrno>

namespace torvelle::platform {

namespace {

constexpr int kConnectTimeoutMs = 1000;
const QByteArray kOpenRequest = "open\n";

// A folder of ours that nobody else can write into or swap for a link: a
// shared /tmp is open to every user, and a marker there must not be faked.
bool makePrivateFolder(const QString& path) {
  const QByteArray native = QFile::encodeName(path);
  if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) return false;
  struct stat info {};
  if (::lstat(native.constData(), &info) != 0) return false;
  if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid()) return false;
  if ((info.st_mode & 0077) != 0 && ::chmod(native.constData(), 0700) != 0) return false;
  return true;
}

int openForLock(const QString& path, int flags) {
  return ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC, 0600);
}

void closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

QByteArray field(const char* name, const QString& value) {
  return QByteArray(name) + '=' + QUrl::toPercentEncoding(value) + '\n';
}

}  // namespace

QString TMarkerInstanceList::defaultFolder() {
  // Qt makes the folder when it is missing, and before 6.5 it passes a
  // relative XDG_RUNTIME_DIR on, which would move with the working folder.
  const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (QDir::isAbsolutePath(runtime)) return runtime + QStringLiteral("/torvelle");
  return QStringLiteral("/tmp/torvelle-%1").arg(::getuid());
}

TMarkerInstanceList::TMarkerInstanceList(QObject* parent)
    : TMarkerInstanceList(defaultFolder(), parent) {}

TMarkerInstanceList::TMarkerInstanceList(QString folder, QObject* parent) : TInstanceList(parent) {
  if (makePrivateFolder(folder)) folder_ = std::move(folder);
}

TMarkerInstanceList::~TMarkerInstanceList() {
  withdraw();
  closeFd(startLockFd_);
}

void TMarkerInstanceList::lockStart() {
  if (folder_.isEmpty()) return;
  if (startLockDepth_++ > 0) return;
  startLockFd_ = openForLock(folder_ + QStringLiteral("/start.lock"), O_RDWR | O_CREAT);
  if (startLockFd_ >= 0) {
    while (::flock(startLockFd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
}

void TMarkerInstanceList::unlockStart() {
  if (startLockDepth_ == 0 || --startLockDepth_ > 0) return;
  closeFd(startLockFd_);
}

namespace {

// All that the open `fd` holds; empty when it cannot be read.
QByteArray contentsOf(int fd) {
  QFile file;
  if (!file.open(fd, QIODevice::ReadOnly)) return {};
  QByteArray all = file.readAll();
  file.close();
  return all;
}

// Removes the sockets a gone instance's marker names, those inside `folder`.
void removeServersOf(const QByteArray& contents, const QString& folder) {
  for (const QByteArray& line : contents.split('\n')) {
    const QString server = QUrl::fromPercentEncoding(line.mid(7));
    if (line.startsWith("server=") && server.startsWith(folder + u'/'))
      QLocalServer::removeServer(server);
  }
}

}  // namespace

std::vector<TMarkerInstanceList::Marker> TMarkerInstanceList::liveMarkers() {
  std::vector<Marker> markers;
  if (folder_.isEmpty()) return markers;
  const QDir dir(folder_);
  for (const QString& name : dir.entryList({QStringLiteral("*.marker")}, QDir::Files)) {
    const QString path = dir.filePath(name);
    if (path == markerPath_) continue;
    int fd = openForLock(path, O_RDONLY);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_SH | LOCK_NB) == 0) {
      // Nobody holds the lock: the instance that wrote it is gone.
      removeServersOf(contentsOf(fd), folder_);
      QFile::remove(path);
      closeFd(fd);
      continue;
    }
    Marker marker{path, {}, {}};
    for (const QByteArray& line : contentsOf(fd).split('\n')) {
      const qsizetype eq = line.indexOf('=');
      if (eq < 0) continue;
      const QByteArray key = line.left(eq);
      const QString value = QUrl::fromPercentEncoding(line.mid(eq + 1));
      if (key == "title") marker.entry.title = value.toStdString();
      if (key == "class") marker.entry.className = value.toStdString();
      if (key == "server") marker.server = value;
    }
    closeFd(fd);
    markers.push_back(std::move(marker));
  }
  return markers;
}

std::vector<support::WindowEntry> TMarkerInstanceList::windowEntries() {
  std::vector<support::WindowEntry> entries;
  for (Marker& marker : liveMarkers()) entries.push_back(std::move(marker.entry));
  return entries;
}

bool TMarkerInstanceList::publish(const support::WindowEntry& marker) {
  withdraw();
  if (folder_.isEmpty()) return false;
  const QString base = QStringLiteral("%1/%2-%3")
                           .arg(folder_)
                           .arg(::getpid())
                           .arg(QUuid::createUuid().toString(QUuid::Id128).left(12));

  auto server = std::make_unique<QLocalServer>();
  server->setSocketOptions(QLocalServer::UserAccessOption);
  const QString serverName = base + QStringLiteral(".sock");
  // Without a socket (its path can be too long for one) the marker still
  // keeps a second copy from starting; only the open request cannot reach us.
  if (!server->listen(serverName)) server.reset();

  // The marker is written and locked under a name readers ignore, then
  // renamed: a reader never sees a marker that is not locked yet.
  const QString temporary = base + QStringLiteral(".tmp");
  int fd = openForLock(temporary, O_WRONLY | O_CREAT | O_TRUNC);
  if (fd < 0) return false;
  const QByteArray text = QByteArray("pid=") + QByteArray::number(::getpid()) + '\n' +
                          field("title", QString::fromStdString(marker.title)) +
                          field("class", QString::fromStdString(marker.className)) +
                          (server ? field("server", server->fullServerName()) : QByteArray());
  const bool written = ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                       ::write(fd, text.constData(), text.size()) == text.size();
  const QString path = base + QStringLiteral(".marker");
  if (!written || ::rename(QFile::encodeName(temporary).constData(),
                           QFile::encodeName(path).constData()) != 0) {
    QFile::remove(temporary);
    closeFd(fd);
    return false;
  }
  markerFd_ = fd;
  markerPath_ = path;
  server_ = std::move(server);
  if (server_)
    connect(server_.get(), &QLocalServer::newConnection, this,
            &TMarkerInstanceList::acceptRequests);
  return true;
}

void TMarkerInstanceList::withdraw() {
  if (!markerPath_.isEmpty()) QFile::remove(markerPath_);
  markerPath_.clear();
  closeFd(markerFd_);
  server_.reset();  // closes it and removes its socket file
}

void TMarkerInstanceList::acceptRequests() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    const auto read = [this, socket] {
      // A request is one line; anything else on the socket is ignored.
      // Delivered later, from the event loop: a receiver may open a modal
      // dialog, whose nested loop can delete this socket under our feet.
      while (socket->canReadLine()) {
        if (socket->readLine() == kOpenRequest)
          QMetaObject::invokeMethod(this, &TMarkerInstanceList::openRequested,
                                    Qt::QueuedConnection);
      }
      if (socket->bytesAvailable() > 256) socket->abort();
    };
    connect(socket, &QLocalSocket::readyRead, this, read);
    read();
  }
}

bool TMarkerInstanceList::sendOpenRequest(const support::WindowEntry& to) {
  bool delivered = false;
  for (const Marker& marker : liveMarkers()) {
    if (marker.entry.title != to.title || marker.entry.className != to.className) continue;
    if (marker.server.isEmpty()) continue;
    QLocalSocket socket;
    socket.connectToServer(marker.server);
    if (!socket.waitForConnected(kConnectTimeoutMs)) continue;
    socket.write(kOpenRequest);
    if (socket.waitForBytesWritten(kConnectTimeoutMs)) delivered = true;
    socket.disconnectFromServer();
  }
  return delivered;
}

}  // namespace torvelle::platform
