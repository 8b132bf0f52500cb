#include "platform/SerialPort.h"

// termios2 comes from the kernel's headers; <termios.h> must not be mixed with them.
#include <asm/termbits.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "platform/OSError.h"
#include "platform/SysFault.h"

namespace {

int Ioctl(int fd, unsigned long request, void* argument)
{
  return SysCall(SysCallId::Ioctl, [&] { return ::ioctl(fd, request, argument); });
}

struct BaudCode {
  std::uint32_t rate;
  unsigned code;
};

// The classic rate codes; any other rate goes as BOTHER with the number itself.
constexpr BaudCode kBaudCodes[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000},
};

unsigned BaudFlag(std::uint32_t rate)
{
  for (const auto& entry : kBaudCodes)
    if (entry.rate == rate) return entry.code;
  return BOTHER;
}

void ReadTermios(int fd, termios2& tio)
{
  if (Ioctl(fd, TCGETS2, &tio) < 0) throw EOSError("ioctl(TCGETS2)", errno);
}

}  // namespace

std::unique_ptr<SerialPort> SerialPort::Open(const std::string& path)
{
  int fd = SysCall(SysCallId::Open,
                   [&] { return ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC); });
  if (fd < 0) throw EOSError("open(" + path + ")", errno);
  UniqueFd owned(fd);
  termios2 tio{};
  ReadTermios(fd, tio);
  // Not shared, as a serial line must not be: a second opener would steal replies.
  if (Ioctl(fd, TIOCEXCL, nullptr) < 0) throw EOSError("ioctl(TIOCEXCL)", errno);
  return std::unique_ptr<SerialPort>(new SerialPort(std::move(owned)));
}

SerialPort::~SerialPort()
{
  if (fd_.IsValid()) ::ioctl(fd_.Get(), TIOCNXCL);
}

void SerialPort::Configure(const SerialLineSettings& settings)
{
  termios2 tio{};
  ReadTermios(Fd(), tio);
  tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | IGNPAR | INPCK);
  if (settings.parity != SerialParity::None) tio.c_iflag |= INPCK;
  tio.c_oflag &= ~OPOST;
  tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  tio.c_cflag |= CS8 | CREAD | CLOCAL;
  switch (settings.parity) {
    case SerialParity::None: break;
    case SerialParity::Odd: tio.c_cflag |= PARENB | PARODD; break;
    case SerialParity::Even: tio.c_cflag |= PARENB; break;
    case SerialParity::Mark: tio.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case SerialParity::Space: tio.c_cflag |= PARENB | CMSPAR; break;
  }
  if (settings.twoStopBits) tio.c_cflag |= CSTOPB;
  // Rate 0 would mean "hang up" to a terminal: keep the rate the port has then.
  if (settings.baudRate != 0) {
    tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BaudFlag(settings.baudRate);
    tio.c_ispeed = tio.c_ospeed = settings.baudRate;
  }
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (Ioctl(Fd(), TCSETS2, &tio) < 0) throw EOSError("ioctl(TCSETS2)", errno);
  int dtr = TIOCM_DTR;
  (void)Ioctl(Fd(), TIOCMBIC, &dtr);  // pseudo-terminals and some adapters have no DTR
}

bool SerialPort::EnableRs485()
{
  serial_rs485 rs485{};
  if (Ioctl(Fd(), TIOCGRS485, &rs485) == 0) {
    rs485.flags |= SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
    rs485.flags &= ~SER_RS485_RTS_AFTER_SEND;
    if (Ioctl(Fd(), TIOCSRS485, &rs485) == 0) return true;
  }
  // Without driver support RTS is held off, as a converter with automatic direction
  // control expects; an RS-232 line does not care.
  int rts = TIOCM_RTS;
  (void)Ioctl(Fd(), TIOCMBIC, &rts);
  return false;
}

void SerialPort::Purge()
{
  if (Ioctl(Fd(), TCFLSH, reinterpret_cast<void*>(TCIOFLUSH)) < 0) throw EOSError("ioctl(TCFLSH)", errno);
  TakeLineErrors();
}

void SerialPort::PurgeInput()
{
  if (Ioctl(Fd(), TCFLSH, reinterpret_cast<void*>(TCIFLUSH)) < 0) throw EOSError("ioctl(TCFLSH)", errno);
}

IoResult SerialPort::Read(std::uint8_t* data, std::size_t size)
{
  ssize_t rc = SysCall(SysCallId::Read, [&] { return ::read(Fd(), data, size); });
  if (rc >= 0) return {static_cast<std::size_t>(rc), false, false};
  if (errno == EAGAIN || errno == EWOULDBLOCK) return {0, true, false};
  throw EOSError("read", errno);
}

IoResult SerialPort::Write(const std::uint8_t* data, std::size_t size)
{
  ssize_t rc = SysCall(SysCallId::Write, [&] { return ::write(Fd(), data, size); });
  if (rc >= 0) return {static_cast<std::size_t>(rc), false, false};
  if (errno == EAGAIN || errno == EWOULDBLOCK) return {0, true, false};
  throw EOSError("write", errno);
}

std::size_t SerialPort::OutputPending()
{
  int pending = 0;
  if (Ioctl(Fd(), TIOCOUTQ, &pending) < 0 || pending < 0) return 0;
  return static_cast<std::size_t>(pending);
}

bool SerialPort::ReadCounters(Counters& out)
{
  serial_icounter_struct icount{};
  if (Ioctl(Fd(), TIOCGICOUNT, &icount) < 0) return false;
  out = {icount.overrun, icount.buf_overrun, icount.parity, icount.frame};
  return true;
}

SerialLineErrors SerialPort::TakeLineErrors()
{
  Counters now;
  if (!ReadCounters(now)) return {};
  SerialLineErrors errors;
  if (haveCounters_) {
    errors.overrun = now.overrun != counters_.overrun || now.bufOverrun != counters_.bufOverrun;
    errors.parity = now.parity != counters_.parity;
    errors.frame = now.frame != counters_.frame;
  }
  counters_ = now;
  haveCounters_ = true;
  return errors;
}

SerialLineSettings ReadLineSettings(int fd)
{
  termios2 tio{};
  ReadTermios(fd, tio);
  SerialLineSettings settings;
  settings.baudRate = tio.c_ospeed;
  settings.twoStopBits = (tio.c_cflag & CSTOPB) != 0;
  if (tio.c_cflag & PARENB) {
    bool odd = (tio.c_cflag & PARODD) != 0;
    if (tio.c_cflag & CMSPAR)
      settings.parity = odd ? SerialParity::Mark : SerialParity::Space;
    else
      settings.parity = odd ? SerialParity::Odd : SerialParity::Even;
  }
  return settings;
}

PseudoTerminal::PseudoTerminal()
{
  int fd = SysCall(SysCallId::Open, [] { return ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC); });
  if (fd < 0) throw EOSError("posix_openpt", errno);
  master_.Reset(fd);
  char name[128];
  if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || ::ptsname_r(fd, name, sizeof name) != 0)
    throw EOSError("ptsname", errno);
  slavePath_ = name;
  int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) throw EOSError("fcntl", errno);
  int slave = SysCall(SysCallId::Open,
                      [&] { return ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC); });
  if (slave < 0) throw EOSError("open(" + slavePath_ + ")", errno);
  slave_.Reset(slave);
  termios2 tio{};
  ReadTermios(slave, tio);
  tio.c_iflag = 0;
  tio.c_oflag = 0;
  tio.c_lflag = 0;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (Ioctl(slave, TCSETS2, &tio) < 0) throw EOSError("ioctl(TCSETS2)", errno);
}
