#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace platform::runtime {

// A shared library the program loads the first time it is needed rather than with the program: a
// library that brings many others (the window's, the network's) costs every start its loading even
// when the start never uses it. A table of the library's functions (`Table`, whose `bind(Binder&)`
// names each) is filled once per library name and kept for the process.
//
// Never unloaded: the libraries these open keep allocations and threads of their own for their
// lifetime, and pointers into them are handed out freely.
class SharedLibrary {
 public:
  // Resolves the functions a table names, one after another, remembering the first the library lacks.
  class Binder {
   public:
    explicit Binder(void* handle) : handle_(handle) {}
    template <typename Function>
    Binder& operator()(const char* symbol, Function& function) {
      function = reinterpret_cast<Function>(lookup(symbol));
      return *this;
    }
    // The first symbol not found, or "" when every one was.
    const std::string& missing() const { return missing_; }

   private:
    void* lookup(const char* symbol);

    void* handle_;
    std::string missing_;
  };

  // The table for `soname`, or null with the reason in `error`: the library cannot be loaded, or lacks
  // a function the table names. `purpose` says in that reason what the library is for ("the window's
  // library"). Each name is tried once for the process; later asks get the same answer.
  template <typename Table>
  static const Table* load(const std::string& soname, const std::string& purpose, std::string* error = nullptr) {
    struct Loaded {
      std::unique_ptr<Table> table;
      std::string error;
    };
    // Never destroyed, like the libraries the tables point into.
    static auto* const mutex = new std::mutex;
    static auto* const loaded = new std::map<std::string, Loaded>;
    std::lock_guard lock(*mutex);
    auto [entry, fresh] = loaded->try_emplace(soname);
    if (fresh) {
      auto table = std::make_unique<Table>();
      entry->second.error = open(soname, purpose, [&table](Binder& binder) { table->bind(binder); });
      if (entry->second.error.empty()) entry->second.table = std::move(table);
    }
    if (!entry->second.table && error) *error = entry->second.error;
    return entry->second.table.get();
  }

 private:
  // Opens `soname` and lets `bind` resolve the table; "" on success, else the reason.
  static std::string open(const std::string& soname, const std::string& purpose,
                          const std::function<void(Binder&)>& bind);
};

}  // namespace platform::runtime
