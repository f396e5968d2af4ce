// Start-up as a person meets it: whole `ostrel` processes, each beside its floor, measured in one run.
//
//   Cold: a first start in an empty container. Its work beyond the process floor (cold - help) is
//         compared with a durable copy of the four catalogues done in one process (copy, then fsync of
//         each file and of the folder): the least any first start that keeps the catalogues must do.
//   Warm: a start with everything in place, compared with `ostrel --help` (the process floor).
//   Warm with stored events: a warm start over 100,000 raw events the analytics database keeps (as an
//         install without a service address keeps them), compared with a warm start over a few; beside
//         it, SQLite's own quick check of that database, the read of every page a start no longer makes.
//
// Each iteration runs the pair back to back, so both sides see the same machine. Counters: the median
// times (one slow start on a shared machine moves a mean by more than a change does), the ratio of the
// medians, and the fsync/fdatasync calls of one such start (counted with strace when it is installed,
// else -1). Needs the ostrel executable built in the same tree.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kCatalogues[] = {"LensDatabase.db", "QuorvelFormatDatabase.db", "QuorvelLensAdapterDb.db",
                                       "QuorvelPackageDatabase.db"};

fs::path buildTree() { return fs::read_symlink("/proc/self/exe").parent_path().parent_path(); }
fs::path ostrel() { return buildTree() / "cmd/ostrel/ostrel"; }
fs::path bundle() { return buildTree() / "cmd/ostrel/bundle"; }

// Runs a program to its end with its output discarded; its exit status, and when asked the CPU time it
// used (user and system, all its threads).
int run(const std::vector<std::string>& arguments, double* cpuSeconds = nullptr) {
  std::vector<char*> argv;
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  if (cpuSeconds) {
    *cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                  static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double timed(const std::vector<std::string>& arguments) {
  const auto start = Clock::now();
  run(arguments);
  return seconds(start);
}

std::string freshHome() {
  char folder[] = "/tmp/ostrel-startup-bench-XXXXXX";
  return mkdtemp(folder);
}

bool copyDurably(const fs::path& from, const fs::path& to) {
  std::ifstream in(from, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool written = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return written && synced;
}

// The floor of a first start's own work: the four catalogues copied and made durable, folder included.
double durableCopy() {
  const std::string home = freshHome();
  const auto start = Clock::now();
  for (const char* name : kCatalogues) copyDurably(bundle() / name, fs::path(home) / name);
  const int folder = ::open(home.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ::fsync(folder);
  ::close(folder);
  const double elapsed = seconds(start);
  fs::remove_all(home);
  return elapsed;
}

// fsync and fdatasync calls of one start in `home`, as strace counts them; -1 without strace.
double syncsOf(const std::string& home) {
  const std::string report = home + ".strace";
  if (run({"strace", "-f", "-c", "-e", "trace=fsync,fdatasync", "-o", report, ostrel().string(), "--home", home}) != 0) {
    return -1;
  }
  std::ifstream in(report);
  std::string line;
  double total = -1;
  while (std::getline(in, line)) {
    if (line.find("total") == std::string::npos) continue;
    // "100.00    0.001    12    16      total": the calls column is the fourth.
    double percent, secs, perCall, calls;
    if (std::sscanf(line.c_str(), "%lf %lf %lf %lf", &percent, &secs, &perCall, &calls) == 4) total = calls;
  }
  fs::remove(report);
  return total;
}

bool ready(benchmark::State& state) {
  if (fs::exists(ostrel()) && fs::exists(bundle() / kCatalogues[0])) return true;
  state.SkipWithError("build the ostrel target in this tree first");
  return false;
}

void BM_ColdStartBesideDurableCopy(benchmark::State& state) {
  if (!ready(state)) return;
  std::vector<double> colds, helps, copies;
  for (auto _ : state) {
    const std::string home = freshHome();
    colds.push_back(timed({ostrel().string(), "--home", home}));
    helps.push_back(timed({ostrel().string(), "--help"}));
    copies.push_back(durableCopy());
    state.PauseTiming();
    fs::remove_all(home);
    state.ResumeTiming();
  }
  const double cold = median(colds), help = median(helps), copy = median(copies);
  state.counters["cold_ms"] = cold * 1e3;
  state.counters["help_ms"] = help * 1e3;
  state.counters["copy_ms"] = copy * 1e3;
  state.counters["ratio_beyond_floor_to_copy"] = (cold - help) / copy;
  const std::string home = freshHome();
  state.counters["fsyncs_per_cold_start"] = syncsOf(home);
  fs::remove_all(home);
}

void BM_WarmStartBesideHelp(benchmark::State& state) {
  if (!ready(state)) return;
  const std::string home = freshHome();
  run({ostrel().string(), "--home", home});
  std::vector<double> warms, helps;
  for (auto _ : state) {
    warms.push_back(timed({ostrel().string(), "--home", home}));
    helps.push_back(timed({ostrel().string(), "--help"}));
  }
  const double warm = median(warms), help = median(helps);
  state.counters["warm_ms"] = warm * 1e3;
  state.counters["help_ms"] = help * 1e3;
  state.counters["ratio_to_help"] = warm / help;
  state.counters["fsyncs_per_warm_start"] = syncsOf(home);
  fs::remove_all(home);
}

constexpr int kStoredEvents = 100000;

std::string measurementDatabase(const std::string& home) {
  return home + "/Library/Application Support/Vadeze/Measurement/vadeze-app-measurement.sql";
}

// Copies of the first raw event until the table holds `count`, each a millisecond after the one before;
// the log copied into the file, as a long-used install has it.
bool fillRawEvents(const std::string& path, int count) {
  sqlite3* db = nullptr;
  bool filled = sqlite3_open(path.c_str(), &db) == SQLITE_OK;
  const std::string sql =
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(count) +
      " - (SELECT count(*) FROM raw_events)) "
      "INSERT INTO raw_events (name, timestamp, metadata_fingerprint, data, realtime) "
      "SELECT r.name, r.timestamp + n.i * 0.001, r.metadata_fingerprint, r.data, r.realtime "
      "FROM n, (SELECT * FROM raw_events ORDER BY rowid LIMIT 1) AS r; PRAGMA wal_checkpoint(TRUNCATE);";
  filled = filled && sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return filled;
}

// Milliseconds SQLite's quick check of the whole file takes.
double quickCheckMilliseconds(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  const auto start = Clock::now();
  sqlite3_exec(db, "PRAGMA quick_check(1)", nullptr, nullptr, nullptr);
  const double elapsed = seconds(start) * 1e3;
  sqlite3_close(db);
  return elapsed;
}

void BM_WarmStartWithStoredEventsBesideAFew(benchmark::State& state) {
  if (!ready(state)) return;
  const std::string few = freshHome(), many = freshHome();
  run({ostrel().string(), "--home", few});
  run({ostrel().string(), "--home", many});
  const std::string database = measurementDatabase(many);
  if (!fillRawEvents(database, kStoredEvents)) {
    state.SkipWithError("could not fill the measurement database");
    return;
  }
  const std::string kept = many + "/stored-events.sql";
  fs::copy_file(database, kept);
  std::vector<double> fews, manys, fewCPUs, manyCPUs, checks;
  for (auto _ : state) {
    // Every start over exactly the stored events, as the first start over them.
    state.PauseTiming();
    fs::copy_file(kept, database, fs::copy_options::overwrite_existing);
    fs::remove(database + "-wal");
    fs::remove(database + "-shm");
    checks.push_back(quickCheckMilliseconds(database));
    state.ResumeTiming();
    double cpu = 0;
    auto start = Clock::now();
    run({ostrel().string(), "--home", many}, &cpu);
    manys.push_back(seconds(start));
    manyCPUs.push_back(cpu);
    start = Clock::now();
    run({ostrel().string(), "--home", few}, &cpu);
    fews.push_back(seconds(start));
    fewCPUs.push_back(cpu);
  }
  state.counters["stored_events"] = kStoredEvents;
  state.counters["warm_many_ms"] = median(manys) * 1e3;
  state.counters["warm_few_ms"] = median(fews) * 1e3;
  state.counters["ratio_many_to_few"] = median(manys) / median(fews);
  // CPU time is what a shared machine disturbs least.
  state.counters["cpu_many_ms"] = median(manyCPUs) * 1e3;
  state.counters["cpu_few_ms"] = median(fewCPUs) * 1e3;
  state.counters["cpu_ratio_many_to_few"] = median(manyCPUs) / median(fewCPUs);
  state.counters["quick_check_ms"] = median(checks);
  state.counters["database_mb"] = static_cast<double>(fs::file_size(kept)) / 1e6;
  fs::remove_all(few);
  fs::remove_all(many);
}

}  // namespace

BENCHMARK(BM_ColdStartBesideDurableCopy)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_WarmStartBesideHelp)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_WarmStartWithStoredEventsBesideAFew)->Unit(benchmark::kMillisecond)->Iterations(15);
BENCHMARK_MAIN();
