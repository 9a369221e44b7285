// Real processes on one bank: a writer killed with SIGKILL at random
// moments, and two writers at once, each through its own engine.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <thread>

#include "support.h"
#include "tools/mochuan-edb/check.h"

namespace recfile::testing {
namespace {

const std::vector<FieldDef> kFields = {{"T", FieldType::Text, 12},
                                       {"N", FieldType::Integer, 0},
                                       {"M", FieldType::Memo, 0},
                                       {"B", FieldType::ByteSet, 0}};

// The memo of record n in its version v: it names both, so a value torn
// between two versions or two records shows.
std::string content(std::int64_t n, std::int64_t v) {
  std::string s = "n=" + std::to_string(n) + " v=" + std::to_string(v) + " ";
  const std::size_t length = 20 + static_cast<std::size_t>((n * 373 + v * 911) % 2600);
  while (s.size() < length) s += static_cast<char>('a' + (s.size() * 7 + n + v) % 26);
  return s;
}
Bytes picture(std::int64_t n) {
  Bytes b(n % 3 == 0 ? static_cast<std::size_t>(300 + (n * 211) % 2500) : 0);
  for (std::size_t k = 0; k < b.size(); ++k) b[k] = static_cast<std::uint8_t>(n * 31 + k);
  return b;
}

// What the file holds: for each number, its version and deletion mark.
struct Entry {
  std::int64_t version = 0;
  bool deleted = false;
  bool operator==(const Entry&) const = default;
};
using Model = std::map<std::int64_t, Entry>;

// Reads every record, checking that each value is whole; "" on success.
std::string readModel(RecordFileEngine& e, Model& out) {
  out.clear();
  const std::int64_t count = e.RecordCount();
  for (std::int64_t r = 1; r <= count; ++r) {
    e.GoTo(r);
    const std::int64_t n = e.ReadInt("N");
    const std::string m = e.ReadText("M");
    long long mn = -1, mv = -1;
    if (std::sscanf(m.c_str(), "n=%lld v=%lld", &mn, &mv) != 2 || mn != n || m != content(n, mv))
      return "record " + std::to_string(r) + " (" + std::to_string(n) + ") holds a broken memo";
    if (e.ReadBytes("B") != picture(n)) return "record " + std::to_string(r) + " holds a broken byte-set";
    if (e.ReadText("T") != "r" + std::to_string(n)) return "record " + std::to_string(r) + " has a wrong text";
    if (!out.emplace(n, Entry{mv, e.IsDeleted()}).second) return "number " + std::to_string(n) + " twice";
  }
  if (e.LastError() != 0) return "read error " + std::to_string(e.LastError());
  return "";
}

bool lockError(int e) { return e == err::LockViolation || e == err::SharingViolation; }

// Runs an operation again while another process's lock is in the way, as
// the program's user would.
template <class Op>
bool retrying(RecordFileEngine& e, Op op) {
  for (int attempt = 0; attempt < 200; ++attempt) {
    if (op()) return true;
    if (!lockError(e.LastError())) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1 + attempt % 5));
  }
  return false;
}

void say(int fd, const std::string& line) {
  const std::string s = line + "\n";
  if (::write(fd, s.data(), s.size()) != static_cast<ssize_t>(s.size())) _exit(3);
}

// ---- Killed writer -----------------------------------------------------------------

// The writer's loop: appends, memo rewrites, deletions, packs and password
// changes, each announced ("b ...") before and confirmed ("e") after.
[[noreturn]] void killedWriter(const std::string& path, std::string password, std::int64_t next,
                               std::uint32_t seed, int fd) {
  RecordFileEngine e;
  if (!e.Open(path, {}, false, ShareMode::None, password)) _exit(2);
  say(fd, "ready");
  std::mt19937 rng(seed);
  for (int i = 0; i < 100000; ++i) {
    const int kind = static_cast<int>(rng() % 20);
    const std::int64_t count = e.RecordCount();
    if (kind < 10 || count == 0) {
      const std::int64_t n = next++;
      say(fd, "b A " + std::to_string(n));
      if (!e.Append({"r" + std::to_string(n), n, content(n, 0), picture(n)})) _exit(4);
    } else if (kind < 15) {
      e.GoTo(1 + static_cast<std::int64_t>(rng() % static_cast<std::uint64_t>(count)));
      const std::int64_t n = e.ReadInt("N");
      const std::string m = e.ReadText("M");
      long long mn = 0, mv = 0;
      std::sscanf(m.c_str(), "n=%lld v=%lld", &mn, &mv);
      say(fd, "b M " + std::to_string(n) + " " + std::to_string(mv + 1));
      if (!e.WriteField("M", content(n, mv + 1))) _exit(5);
    } else if (kind < 18) {
      e.GoTo(1 + static_cast<std::int64_t>(rng() % static_cast<std::uint64_t>(count)));
      say(fd, "b D " + std::to_string(e.ReadInt("N")));
      if (!e.Delete()) _exit(6);
    } else if (kind < 19) {
      say(fd, "b P");
      if (!e.Pack()) _exit(7);
    } else {
      password = password.empty() ? "口令" : "";
      say(fd, "b S " + password);
      if (!e.SetPassword(password)) _exit(8);
    }
    say(fd, "e");
  }
  _exit(0);
}

struct Op {
  char kind = 0;
  std::int64_t n = 0, v = 0;
  std::string password;
};

void applyOp(Model& m, const Op& op) {
  switch (op.kind) {
    case 'A': m[op.n] = Entry{0, false}; break;
    case 'M': m[op.n].version = op.v; break;
    case 'D': m[op.n].deleted = true; break;
    case 'P': std::erase_if(m, [](const auto& kv) { return kv.second.deleted; }); break;
    default: break;
  }
}

TEST(Processes, AWriterKilledAtRandomMomentsLosesNothingThatItFinished) {
  TempDir dir;
  const std::string path = dir / "kill.edb";
  {
    RecordFileEngine e;
    ASSERT_TRUE(e.Create(path, kFields));
  }
  Model model;
  std::string password;
  std::int64_t next = 1;
  std::mt19937 rng(20261210);
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(fds[0]);
      killedWriter(path, password, next, rng(), fds[1]);
    }
    ::close(fds[1]);
    FILE* in = ::fdopen(fds[0], "r");
    char line[256];
    ASSERT_TRUE(std::fgets(line, sizeof line, in)) << "the writer did not start";
    ASSERT_STREQ(line, "ready\n");
    std::this_thread::sleep_for(std::chrono::microseconds(2000 + rng() % 60000));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: " << WEXITSTATUS(status);

    // The operations it finished, and the one it was in.
    std::optional<Op> inFlight;
    std::string passwordInFlight = password;
    while (std::fgets(line, sizeof line, in)) {
      std::string s(line);
      if (!s.empty() && s.back() == '\n') s.pop_back();
      if (s == "e") {
        if (inFlight) {
          applyOp(model, *inFlight);
          if (inFlight->kind == 'S') password = inFlight->password;
          if (inFlight->kind == 'A') next = inFlight->n + 1;
        }
        inFlight.reset();
        continue;
      }
      std::istringstream words(s.substr(2));
      Op op;
      op.kind = s[2];
      words >> op.kind;
      if (op.kind == 'A' || op.kind == 'D') words >> op.n;
      if (op.kind == 'M') words >> op.n >> op.v;
      if (op.kind == 'S') std::getline(words >> std::ws, op.password);
      inFlight = op;
    }
    std::fclose(in);
    if (inFlight && inFlight->kind == 'A') next = inFlight->n + 1;

    RecordFileEngine e;
    bool opened = e.Open(path, {}, false, ShareMode::None, password);
    if (!opened && inFlight && inFlight->kind == 'S') {
      opened = e.Open(path, {}, false, ShareMode::None, inFlight->password);
      if (opened) password = inFlight->password;
    }
    ASSERT_TRUE(opened) << "the bank does not open: " << e.LastError();
    Model actual;
    ASSERT_EQ(readModel(e, actual), "");
    Model with = model;
    if (inFlight) applyOp(with, *inFlight);
    ASSERT_TRUE(actual == model || actual == with)
        << "the bank lost or changed what the writer had finished";
    model = actual;
    e.CloseAll();
    const auto outcome = edb::CheckFiles(path, dir / "kill.edt", password);
    ASSERT_EQ(outcome.fatal, "");
    ASSERT_EQ(outcome.problems, std::vector<std::string>{});
  }
}

// ---- Two writers at once ------------------------------------------------------------

// Appends, rewrites and deletes only its own records (numbers tag × 10^6 +
// i) for `ms` milliseconds, reading each back at once; writes what it
// left to `report`. Exit code 0 when it always saw its own writes.
[[noreturn]] void sharingWriter(const std::string& path, int tag, int ms, const std::string& report) {
  RecordFileEngine e;
  // What went wrong goes to the test's output before the exit code.
  auto stop = [&](int code, const std::string& what) {
    std::fprintf(stderr, "writer %d: %s (error %d)\n", tag, what.c_str(), e.LastError());
    _exit(code);
  };
  if (!e.Open(path)) stop(2, "open");
  std::mt19937 rng(static_cast<std::uint32_t>(tag));
  Model mine;
  std::map<std::int64_t, std::int64_t> ids;  // number -> record id
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (std::int64_t i = 1; std::chrono::steady_clock::now() < end; ++i) {
    const int kind = static_cast<int>(rng() % 10);
    std::vector<std::int64_t> live;
    for (const auto& [n, entry] : mine)
      if (!entry.deleted) live.push_back(n);
    if (kind < 6 || live.empty()) {
      const std::int64_t n = tag * 1000000 + i;
      if (!retrying(e, [&] { return e.Append({"r" + std::to_string(n), n, content(n, 0), picture(n)}); }))
        stop(10, "append");
      ids[n] = e.RecordId();
      mine[n] = Entry{};
    } else {
      const std::int64_t n = live[rng() % live.size()];
      if (!retrying(e, [&] { return e.GoToId(ids[n]); })) stop(11, "GoToId " + std::to_string(ids[n]));
      std::int64_t read = 0;
      // A record read meets the other writer's lock at once, as a write does.
      retrying(e, [&] {
        read = e.ReadInt("N");
        return e.LastError() == 0;
      });
      if (read != n) stop(11, "record " + std::to_string(ids[n]) + " read N " + std::to_string(read));
      if (kind < 9) {
        const std::int64_t v = mine[n].version + 1;
        if (!retrying(e, [&] { return e.WriteField("M", content(n, v)); })) stop(12, "write");
        mine[n].version = v;
      } else {
        if (!retrying(e, [&] { return e.Delete(); })) stop(13, "delete");
        mine[n].deleted = true;
      }
    }
    // Its own write, read back at once.
    std::int64_t n = 0;
    std::string memo;
    bool deleted = false;
    retrying(e, [&] {
      n = e.ReadInt("N");
      if (e.LastError() == 0) memo = e.ReadText("M");
      if (e.LastError() == 0) deleted = e.IsDeleted();
      return e.LastError() == 0;
    });
    if (!mine.count(n) || memo != content(n, mine[n].version) || deleted != mine[n].deleted)
      stop(14, "read back");
  }
  e.CloseAll();
  std::ofstream out(report);
  for (const auto& [n, entry] : mine) out << n << ' ' << entry.version << ' ' << entry.deleted << '\n';
  out.close();
  _exit(out ? 0 : 15);
}

TEST(Processes, TwoWritersAtOnceLoseAndDoubleNothingAndEachSeesItsOwnWrites) {
  TempDir dir;
  const std::string path = dir / "shared.edb";
  {
    RecordFileEngine e;
    ASSERT_TRUE(e.Create(path, kFields));
  }
  pid_t children[2];
  for (int tag = 1; tag <= 2; ++tag) {
    children[tag - 1] = ::fork();
    ASSERT_GE(children[tag - 1], 0);
    if (children[tag - 1] == 0) sharingWriter(path, tag, 1500, dir / ("report" + std::to_string(tag)));
  }
  Model expected;
  for (int tag = 1; tag <= 2; ++tag) {
    int status = 0;
    ::waitpid(children[tag - 1], &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << "writer " << tag << " did not see its own writes";
    std::ifstream in(dir / ("report" + std::to_string(tag)));
    std::int64_t n, v;
    bool deleted;
    while (in >> n >> v >> deleted) expected[n] = Entry{v, deleted};
  }
  ASSERT_GT(expected.size(), 10u);

  RecordFileEngine e;
  ASSERT_TRUE(e.Open(path));
  Model actual;
  ASSERT_EQ(readModel(e, actual), "");
  EXPECT_TRUE(actual == expected) << actual.size() << " records, " << expected.size() << " written";
  e.CloseAll();
  const auto outcome = edb::CheckFiles(path, dir / "shared.edt", "");
  EXPECT_EQ(outcome.fatal, "");
  EXPECT_EQ(outcome.problems, std::vector<std::string>{});
}

}  // namespace
}  // namespace recfile::testing
