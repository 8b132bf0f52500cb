#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class DirectoryWatch;
class QComboBox;
class QSocketNotifier;

// Where the serial ports come from: a lister and the folder in which their device nodes
// appear and vanish. Tests lay out a tree of their own.
struct PortSource {
  std::function<std::vector<std::string>()> list;
  std::string watchFolder;

  // The computer's real ports (/sys/class/tty), watched in /dev.
  static PortSource System();
};

// Re-lists the serial ports when device nodes come and go, in place of the system's
// device-change message: a USB adapter plugged in or pulled out while a dialog is open.
// PortsChanged() follows only when the list itself changed.
class PortWatcher : public QObject {
  Q_OBJECT

public:
  explicit PortWatcher(PortSource source, QObject* parent = nullptr);
  ~PortWatcher() override;

  // Lists the ports now and keeps the list as the one later changes are measured from.
  const std::vector<std::string>& Refresh();
  const std::vector<std::string>& Ports() const { return ports_; }

  // Watching costs a descriptor and wake-ups, so a window watches only while it shows.
  void Start();
  void Stop();
  bool IsWatching() const { return watching_; }
  // True when the folder is watched by notification, false when polled instead.
  bool IsNotified() const { return notifier_ != nullptr; }

  // Pauses between a notification and the lists taken after it: the kernel publishes a
  // new port's sysfs entry and device node a moment apart, and removes the node before
  // the entry, so one list at once could see the old state.
  static constexpr int kSettleMs = 150;
  static constexpr int kLateMs = 1500;
  // Without notifications the list is taken this often.
  static constexpr int kPollMs = 1000;

signals:
  void PortsChanged();

private:
  std::vector<std::string> List() const;
  void OnNotified();
  void Check();

  PortSource source_;
  std::vector<std::string> ports_;
  std::unique_ptr<DirectoryWatch> watch_;
  QSocketNotifier* notifier_ = nullptr;
  QTimer settle_;
  QTimer late_;
  QTimer poll_;
  bool watching_ = false;
};

// An editable port box with the ports in it, the text left empty.
void FillPortBox(QComboBox& box, const std::vector<std::string>& ports);
// The ports again after a change: a port still listed stays chosen; one that went away
// must not stay offered and its text is cleared; a path the user typed that was never
// listed (a pseudo-terminal) is kept.
void RefillPortBox(QComboBox& box, const std::vector<std::string>& ports);
