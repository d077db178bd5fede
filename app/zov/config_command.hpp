#pragma once
// "zov config [--file PATH]": shows the settings the client would read from zov.ini.

#include <iosfwd>
#include <string>
#include <vector>

namespace zov::platform {
class FileSystem;
}

namespace zov {

// args are the words after "config". PATH is a host path; without it the client folder's
// zov.ini is read. Prints one key=value line per setting, in the order they are read, the
// password masked. Returns the process exit status.
int runConfigCommand(const std::vector<std::string>& args, platform::FileSystem& fs,
                     std::ostream& out, std::ostream& err);

}  // namespace zov
