#pragma once

#include <string>

#include "platform/Registry.h"

// Where the user last saved a file, so that the next save dialog opens there, also after
// a restart, as the system the program was designed for keeps it for each program. It
// lives in a small file of its own (save-folder.txt) beside the settings store, not in
// the settings, which are shared with a sibling program.
class LastSaveFolder {
public:
  // Beside the store of the current user's settings.
  LastSaveFolder() = default;
  explicit LastSaveFolder(Registry store) : store_(std::move(store)) {}

  // The folder for a save dialog: the one last saved into while it is still a folder,
  // else the user's home folder (the root when there is none), never the current one.
  // A missing, unreadable or garbled file counts as none; nothing here raises.
  std::string InitialFolder() const;
  // A file was saved at path (absolute; anything else is not remembered): its folder
  // is the next dialog's. The file is replaced whole (SafeFileReplace), so a reader
  // never sees half of it. Raises the store's and the replace's errors.
  void Remember(const std::string& path);

  std::string FilePath() const;

private:
  Registry store_;
};
