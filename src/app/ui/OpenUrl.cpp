#include "app/ui/OpenUrl.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

// The shell's numbers: above 32 is success; 31 says that no application opens the address.
constexpr int kOpened = 33;
constexpr int kNoApplication = 31;

}  // namespace

int OpenUrlInBrowser(const std::string& url)
{
  return QDesktopServices::openUrl(QUrl(QString::fromStdString(url))) ? kOpened : kNoApplication;
}
