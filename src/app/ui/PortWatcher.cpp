#include "app/ui/PortWatcher.h"

#include <QComboBox>
#include <QSocketNotifier>

#include "modbus/EnumPorts.h"
#include "platform/DirectoryWatch.h"
#include "platform/Exception.h"

PortSource PortSource::System()
{
  return {[] {
            std::vector<std::string> ports;
            ModbusMaster::EnumSerialPorts(&ports);
            return ports;
          },
          "/dev"};
}

PortWatcher::PortWatcher(PortSource source, QObject* parent) : QObject(parent), source_(std::move(source))
{
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  late_.setSingleShot(true);
  late_.setInterval(kLateMs);
  poll_.setInterval(kPollMs);
  connect(&settle_, &QTimer::timeout, this, &PortWatcher::Check);
  connect(&late_, &QTimer::timeout, this, &PortWatcher::Check);
  connect(&poll_, &QTimer::timeout, this, &PortWatcher::Check);
}

PortWatcher::~PortWatcher() { Stop(); }

std::vector<std::string> PortWatcher::List() const
{
  return source_.list ? source_.list() : std::vector<std::string>{};
}

const std::vector<std::string>& PortWatcher::Refresh()
{
  ports_ = List();
  return ports_;
}

void PortWatcher::Start()
{
  if (watching_) return;
  watching_ = true;
  try {
    watch_ = std::make_unique<DirectoryWatch>(source_.watchFolder);
    notifier_ = new QSocketNotifier(watch_->Fd(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &PortWatcher::OnNotified);
  } catch (const Exception&) {
    // No inotify here (or no folder to watch): a plain timer finds the changes as well,
    // only later.
    watch_.reset();
    poll_.start();
  }
}

void PortWatcher::Stop()
{
  if (!watching_) return;
  watching_ = false;
  delete notifier_;
  notifier_ = nullptr;
  watch_.reset();
  settle_.stop();
  late_.stop();
  poll_.stop();
}

void PortWatcher::OnNotified()
{
  if (!watch_ || !watch_->Drain()) return;
  // Restarted by every notification, so a burst of nodes (an adapter with several ports)
  // gives one list once it is over.
  settle_.start();
  late_.start();
}

void PortWatcher::Check()
{
  std::vector<std::string> now = List();
  if (now == ports_) return;
  ports_ = std::move(now);
  emit PortsChanged();
}

void FillPortBox(QComboBox& box, const std::vector<std::string>& ports)
{
  const QSignalBlocker blocker(&box);
  box.clear();
  for (const std::string& port : ports) box.addItem(QString::fromStdString(port));
}

void RefillPortBox(QComboBox& box, const std::vector<std::string>& ports)
{
  const QString text = box.currentText();
  const bool wasListed = box.findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0;
  FillPortBox(box, ports);
  const int index = box.findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index >= 0) {
    box.setCurrentIndex(index);
  } else {
    box.setCurrentIndex(-1);
    box.setEditText(wasListed ? QString() : text);
  }
}
