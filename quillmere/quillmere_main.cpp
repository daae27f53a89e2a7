// quillmere: registers the Quillmere address book component for the current
// user, and shows and exports what is in the user's address book store.

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "quillmere/export_formats.h"
#include "quillmere/identity.h"
#include "quillmere/registration.h"
#include "quillmere/store.h"

namespace {

using cardwharf::quillmere::Store;
using cardwharf::quillmere::StoreError;

constexpr const char* kHelp =
    R"(Usage: quillmere COMMAND [ARGUMENTS]

Registers the Quillmere address book component for the current user, and shows
and exports the address books in the user's store,
$XDG_DATA_HOME/quillmere/store.sqlite3 (by default
~/.local/share/quillmere/store.sqlite3).

Commands:
  register            Registers the component ("CorvantisGroupWareSession") for
                      the current user, in $XDG_DATA_HOME/automation/classes.
                      The component library is the one installed beside this
                      command, or the one of its build tree.
  unregister          Removes that registration.
  books               Prints the names of the user's address books, one a line.
  entries BOOK        Prints the entries of the address book BOOK as a table.
  entries BOOK --json Prints them as a JSON array, one object per entry in the
                      order they were made:
                        {"name": "...", "fields": [{"name": "...", "kind": 1,
                        "value": "..."}, ...]}
  vcard BOOK          Writes the address book BOOK as vCard 4.0 (RFC 6350),
                      one card per entry, on standard output.
  --help              Prints this text.

Reading never blocks a program that writes the store at the same time, and
never sees a half-written change.

Exit status: 0 on success; 1 when the store is missing or cannot be read, or
the book does not exist; 2 for a command line that is not understood.
)";

int usage(const std::string& problem) {
  std::cerr << "quillmere: " << problem << "\nTry 'quillmere --help'.\n";
  return 2;
}

int failure(const std::string& message) {
  std::cerr << "quillmere: " << message << "\n";
  return 1;
}

std::string executablePath() {
  std::vector<char> buffer(PATH_MAX + 1);
  ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  return n > 0 ? std::string(buffer.data(), static_cast<std::size_t>(n)) : std::string();
}

// Shows control characters, which would garble a terminal, as escapes.
std::string printable(const std::string& text) {
  std::string out;
  char buffer[8];
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) {
      std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
      out += buffer;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// The number of characters that `text` takes on a terminal, roughly: its
// UTF-8 sequences.
std::size_t width(const std::string& text) {
  std::size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

int showBook(const std::string& book, const std::string& format) {
  std::unique_ptr<Store> store = Store::open(Store::defaultPath(), Store::Mode::readOnly);
  std::optional<std::int64_t> account = store->findAccount(cardwharf::quillmere::loginName());
  std::optional<std::int64_t> id;
  if (account) id = store->findBook(*account, book);
  if (!id) return failure("there is no address book named \"" + book + "\"");

  bool first = true;
  if (format == "json") std::cout << "[";
  store->forEachEntry(*id, [&](const cardwharf::quillmere::StoredEntry& entry) {
    if (format == "json") {
      std::cout << (first ? "\n  " : ",\n  ") << cardwharf::quillmere::entryJson(entry);
    } else if (format == "vcard") {
      std::cout << cardwharf::quillmere::entryVcard(entry);
    } else {
      std::size_t column = 0;
      for (const auto& f : entry.fields) column = std::max(column, width(f.name));
      std::cout << (first ? "" : "\n") << printable(entry.name) << "\n";
      for (const auto& f : entry.fields) {
        std::cout << "  " << printable(f.name) << std::string(column - width(f.name) + 2, ' ')
                  << printable(f.value) << "\n";
      }
    }
    first = false;
  });
  if (format == "json") std::cout << (first ? "]\n" : "\n]\n");
  std::cout.flush();
  return std::cout ? 0 : failure("cannot write the output");
}

int run(const std::vector<std::string>& args) {
  if (args.empty()) return usage("no command given");
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    std::cout << kHelp;
    return 0;
  }
  if (command == "register" && args.size() == 1) {
    std::optional<std::string> library =
        cardwharf::quillmere::componentLibraryFor(executablePath());
    if (!library) return failure("cannot find the component library beside this command");
    cardwharf::quillmere::registerComponent(*library);
    std::cout << "Registered " << cardwharf::quillmere::kSessionClass << " (" << *library << ") in "
              << cardwharf::quillmere::registrationFile() << "\n";
    return 0;
  }
  if (command == "unregister" && args.size() == 1) {
    bool removed = cardwharf::quillmere::unregisterComponent();
    std::cout << (removed ? "Removed " : "There was no registration at ")
              << cardwharf::quillmere::registrationFile() << "\n";
    return 0;
  }
  if (command == "books" && args.size() == 1) {
    std::unique_ptr<Store> store = Store::open(Store::defaultPath(), Store::Mode::readOnly);
    if (std::optional<std::int64_t> account =
            store->findAccount(cardwharf::quillmere::loginName())) {
      for (const std::string& name : store->books(*account)) std::cout << printable(name) << "\n";
    }
    return 0;
  }
  if (command == "entries" && (args.size() == 2 || (args.size() == 3 && args[2] == "--json"))) {
    return showBook(args[1], args.size() == 3 ? "json" : "table");
  }
  if (command == "vcard" && args.size() == 2) return showBook(args[1], "vcard");
  if (command == "register" || command == "unregister" || command == "books" ||
      command == "entries" || command == "vcard") {
    return usage("wrong arguments for '" + command + "'");
  }
  return usage("unknown command '" + command + "'");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    return run(args);
  } catch (const StoreError& e) {
    if (e.reason() == StoreError::Reason::missing) {
      return failure(std::string(e.what()) + " (nothing has been converted into it yet)");
    }
    return failure(e.what());
  } catch (const std::exception& e) {
    return failure(e.what());
  }
}
