#include "sim/emulatedport.h"

#include <QDebug>
#include <QFile>
#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {
// The records keep the most recent traffic only, so a demo that runs for hours stays small.
constexpr int kRecordLimitBytes = 4 * 1024 * 1024;
// A host that does not read still gets this much queued; beyond it output is lost, as a
// device's transmit buffer would overflow.
constexpr int kMaxPendingOutput = 64 * 1024;

void appendBounded(QByteArray &record, const QByteArray &bytes)
{
    record += bytes;
    if (record.size() > kRecordLimitBytes)
        record.remove(0, record.size() - kRecordLimitBytes);
}

bool makeRaw(int fd)
{
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        return false;
    ::cfmakeraw(&settings);
    ::cfsetispeed(&settings, B115200);
    ::cfsetospeed(&settings, B115200);
    return ::tcsetattr(fd, TCSANOW, &settings) == 0;
}
} // namespace

EmulatedPort::EmulatedPort(quint16 vendorId, quint16 productId, const QString &productName,
                           QObject *parent)
    : QObject(parent), usbVendorId(vendorId), usbProductId(productId), usbProductName(productName)
{}

EmulatedPort::~EmulatedPort()
{
    closeTerminal();
}

QString EmulatedPort::portName() const
{
    if (!isPlugged())
        return {};
    return stableLink.isEmpty() ? slavePath : stableLink;
}

void EmulatedPort::setStablePortName(const QString &linkPath)
{
    if (!stableLink.isEmpty() && isPlugged())
        QFile::remove(stableLink);
    stableLink = linkPath;
    linkStableName();
}

void EmulatedPort::linkStableName()
{
    if (stableLink.isEmpty() || !isPlugged())
        return;
    QFile::remove(stableLink); // a link left by a device that was not unplugged cleanly
    if (!QFile::link(slavePath, stableLink))
        qWarning() << "EmulatedPort: cannot link" << stableLink << "to" << slavePath;
}

bool EmulatedPort::plugIn()
{
    if (isPlugged())
        return true;

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        qWarning() << "EmulatedPort: no pseudo-terminal:" << ::strerror(errno);
        return false;
    }
    char name[128] = {};
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0) {
        qWarning() << "EmulatedPort: pseudo-terminal not usable:" << ::strerror(errno);
        ::close(master);
        return false;
    }
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0 || !makeRaw(slave) || !makeRaw(master) ||
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK) != 0) {
        qWarning() << "EmulatedPort: cannot set up" << name << ::strerror(errno);
        if (slave >= 0)
            ::close(slave);
        ::close(master);
        return false;
    }

    masterFd = master;
    slaveFd = slave;
    slavePath = QString::fromLocal8Bit(name);
    linkStableName();

    readNotifier = new QSocketNotifier(masterFd, QSocketNotifier::Read, this);
    connect(readNotifier, &QSocketNotifier::activated, this, &EmulatedPort::readFromHost);
    writeNotifier = new QSocketNotifier(masterFd, QSocketNotifier::Write, this);
    writeNotifier->setEnabled(false);
    connect(writeNotifier, &QSocketNotifier::activated, this, &EmulatedPort::flushPendingOutput);

    terminalOpened();
    emit pluggedIn(portName());
    return true;
}

void EmulatedPort::unplug()
{
    if (!isPlugged())
        return;
    const QString gone = portName();
    terminalClosing();
    closeTerminal();
    emit unplugged(gone);
}

void EmulatedPort::closeTerminal()
{
    if (!isPlugged())
        return;
    if (!stableLink.isEmpty())
        QFile::remove(stableLink);
    // Notifiers go before their descriptor is closed.
    delete readNotifier;
    readNotifier = nullptr;
    delete writeNotifier;
    writeNotifier = nullptr;
    ::close(slaveFd);
    ::close(masterFd);
    slaveFd = -1;
    masterFd = -1;
    slavePath.clear();
    pendingOutput.clear();
}

bool EmulatedPort::sendRaw(const QByteArray &bytes)
{
    if (!isPlugged())
        return false;
    appendBounded(sentBytes, bytes);
    pendingOutput += bytes;
    if (pendingOutput.size() > kMaxPendingOutput) {
        qWarning() << "EmulatedPort: host is not reading, dropping"
                   << pendingOutput.size() - kMaxPendingOutput << "bytes";
        pendingOutput.chop(pendingOutput.size() - kMaxPendingOutput);
    }
    flushPendingOutput();
    return true;
}

void EmulatedPort::flushPendingOutput()
{
    while (!pendingOutput.isEmpty() && isPlugged()) {
        const ssize_t written = ::write(masterFd, pendingOutput.constData(), pendingOutput.size());
        if (written > 0) {
            pendingOutput.remove(0, int(written));
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            qWarning() << "EmulatedPort: write failed:" << ::strerror(errno);
            pendingOutput.clear();
        }
        break;
    }
    if (writeNotifier)
        writeNotifier->setEnabled(!pendingOutput.isEmpty());
}

int EmulatedPort::unreadByHost() const
{
    int unread = 0;
    if (slaveFd < 0 || ::ioctl(slaveFd, FIONREAD, &unread) != 0)
        return 0;
    return unread;
}

void EmulatedPort::discardUnreadByHost()
{
    if (slaveFd >= 0)
        ::tcflush(slaveFd, TCIFLUSH);
}

void EmulatedPort::resumeReading()
{
    // The notifier is level-triggered: bytes that waited are read on the next pass.
    if (readNotifier)
        readNotifier->setEnabled(true);
}

void EmulatedPort::readFromHost()
{
    // Receivers of the signals below and handleBytes() may unplug or even delete the device.
    const QPointer<EmulatedPort> alive(this);
    char chunk[kReadChunk];
    while (alive && isPlugged()) {
        const int limit = qMin(readLimit(), kReadChunk);
        if (limit <= 0) {
            readNotifier->setEnabled(false);
            return;
        }
        const ssize_t got = ::read(masterFd, chunk, size_t(limit));
        if (got > 0) {
            const QByteArray bytes(chunk, int(got));
            appendBounded(receivedBytes, bytes);
            emit bytesReceived(bytes);
            if (!alive || !isPlugged())
                return;
            handleBytes(bytes);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        // End of file or EIO: no slave is open. Cannot happen while ours is held; never spin.
        qWarning() << "EmulatedPort: terminal hung up:" << ::strerror(errno);
        readNotifier->setEnabled(false);
        return;
    }
}
