#include "tools/mochuan-edb/commands.h"

#include <nettle/sha2.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

#include "tools/sample_bank/sample_bank.h"
#include "recfile/format.h"
#include "recfile/record_file_engine.h"
#include "text/text.h"
#include "tools/mochuan-edb/check.h"
#include "tools/mochuan-edb/json.h"
#include "tools/mochuan-edb/raw_files.h"

namespace edb {
namespace {

constexpr const char* kUsage =
    "usage: mochuan-edb COMMAND FILE [options]\n"
    "  dump FILE [--password P]                 print header, fields and records as JSON\n"
    "  check FILE [--password P]                check every rule of the format\n"
    "  create FILE --schema JSON                create an empty database\n"
    "  append FILE --values JSON [--password P] append one record\n"
    "  pack FILE [--password P]                 remove records marked deleted\n"
    "  set-password FILE NEW [--password OLD]   set, change or remove (NEW = \"\") the password\n"
    "  sample-bank FILE --questions N [--seed S] [--password P]\n"
    "                                           write a course bank of realistic questions\n"
    "JSON may be given inline or as @path to read it from a file.\n";

// A failed command: the one-line message is printed with the program name.
struct Failure {
  std::string message;
};

struct Command {
  const char* name;
  int positionals;  // FILE and any after it
  std::set<std::string> options;
};

const std::vector<Command>& commands() {
  static const std::vector<Command> kCommands = {
      {"dump", 1, {"--password"}},
      {"check", 1, {"--password"}},
      {"create", 1, {"--schema"}},
      {"append", 1, {"--values", "--password"}},
      {"pack", 1, {"--password"}},
      {"set-password", 2, {"--password"}},
      {"sample-bank", 1, {"--questions", "--seed", "--password"}},
  };
  return kCommands;
}

struct Args {
  const Command* command = nullptr;
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;

  std::string option(const std::string& name) const {
    const auto it = options.find(name);
    return it == options.end() ? std::string() : it->second;
  }
  bool has(const std::string& name) const { return options.count(name) > 0; }
};

Args parseArgs(const std::vector<std::string>& argv) {
  if (argv.empty()) throw Failure{"missing command (dump, check, create, append, pack, set-password, sample-bank); see --help"};
  Args a;
  for (const Command& c : commands())
    if (argv[0] == c.name) a.command = &c;
  if (!a.command) throw Failure{"unknown command \"" + argv[0] + "\"; see --help"};
  for (std::size_t i = 1; i < argv.size(); ++i) {
    const std::string& s = argv[i];
    if (s.size() > 2 && s.compare(0, 2, "--") == 0) {
      if (!a.command->options.count(s))
        throw Failure{std::string(a.command->name) + ": unknown option " + s};
      if (i + 1 >= argv.size()) throw Failure{std::string(a.command->name) + ": option " + s + " needs a value"};
      if (!a.options.emplace(s, argv[i + 1]).second)
        throw Failure{std::string(a.command->name) + ": option " + s + " given twice"};
      ++i;
    } else {
      a.positional.push_back(s);
    }
  }
  if (static_cast<int>(a.positional.size()) != a.command->positionals) {
    throw Failure{std::string(a.command->name) + ": expected " +
                  (a.command->positionals == 1 ? std::string("FILE") : std::string("FILE NEW")) +
                  ", got " + std::to_string(a.positional.size()) + " arguments"};
  }
  return a;
}

std::string engineError(const recfile::RecordFileEngine& engine) {
  const int code = engine.LastError();
  return "engine error " + std::to_string(code) + " " + recfile::ErrorText(code);
}

// An inline JSON text or, with a leading '@', the contents of that file.
Json readJsonArgument(const std::string& what, const std::string& value) {
  std::string source = value;
  if (!value.empty() && value[0] == '@') {
    std::ifstream in(value.substr(1), std::ios::binary);
    if (!in) throw Failure{what + ": cannot read " + value.substr(1)};
    source.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  Json j;
  std::string error;
  if (!Json::Parse(source, &j, &error)) throw Failure{what + ": invalid JSON: " + error};
  return j;
}

std::string sha256Hex(const recfile::Bytes& bytes) {
  sha256_ctx ctx;
  sha256_init(&ctx);
  sha256_update(&ctx, bytes.size(), bytes.data());
  std::uint8_t digest[SHA256_DIGEST_SIZE];
  sha256_digest(&ctx, sizeof digest, digest);
  std::string hex;
  char buf[3];
  for (std::uint8_t b : digest) {
    std::snprintf(buf, sizeof buf, "%02x", b);
    hex += buf;
  }
  return hex;
}

Json valueToJson(const recfile::Value& v) {
  struct Visitor {
    Json operator()(std::monostate) const { return Json(); }
    Json operator()(std::int64_t i) const { return Json::Integer(i); }
    Json operator()(double d) const { return Json::Number(d); }
    Json operator()(bool b) const { return Json::Boolean(b); }
    Json operator()(recfile::Days d) const { return Json::Number(d.value); }
    Json operator()(const std::string& s) const { return Json::String(s); }
    Json operator()(const recfile::Bytes& b) const {
      Json o = Json::Object();
      o.Set("length", Json::Integer(static_cast<std::int64_t>(b.size())));
      o.Set("sha256", Json::String(sha256Hex(b)));
      return o;
    }
  };
  return std::visit(Visitor{}, v);
}

const char* expectedKind(recfile::FieldType t) {
  switch (t) {
    case recfile::FieldType::Logical: return "true or false";
    case recfile::FieldType::DateTime: return "a day number or a date text";
    case recfile::FieldType::Text:
    case recfile::FieldType::Memo: return "a string";
    case recfile::FieldType::ByteSet: return "{\"base64\": \"...\"}";
    default: return "a number";
  }
}

// Converts one JSON value for a field; nullopt when its kind does not fit.
std::optional<recfile::Value> jsonToValue(const Json& j, recfile::FieldType t) {
  using FT = recfile::FieldType;
  if (j.isNull()) return recfile::Value{};
  switch (t) {
    case FT::Byte:
    case FT::Short:
    case FT::Integer:
    case FT::Long:
    case FT::SubPtr:
      if (j.kind() != Json::Kind::Number) return std::nullopt;
      if (j.isInteger()) return recfile::Value{j.asInteger()};
      return recfile::Value{j.asDouble()};
    case FT::Float:
    case FT::Double:
      if (j.kind() != Json::Kind::Number) return std::nullopt;
      return recfile::Value{j.asDouble()};
    case FT::Logical:
      if (j.kind() != Json::Kind::Bool) return std::nullopt;
      return recfile::Value{j.asBool()};
    case FT::DateTime:
      if (j.kind() == Json::Kind::Number) return recfile::Value{recfile::Days{j.asDouble()}};
      if (j.kind() == Json::Kind::String) {
        const auto days = text::ParseDateTime(j.asString());
        if (!days) return std::nullopt;
        return recfile::Value{recfile::Days{*days}};
      }
      return std::nullopt;
    case FT::Text:
    case FT::Memo:
      if (j.kind() != Json::Kind::String) return std::nullopt;
      return recfile::Value{j.asString()};
    case FT::ByteSet: {
      const Json* b64 = j.Find("base64");
      if (j.kind() != Json::Kind::Object || j.members().size() != 1 || !b64 ||
          b64->kind() != Json::Kind::String)
        return std::nullopt;
      recfile::Bytes bytes;
      if (!Base64Decode(b64->asString(), &bytes)) return std::nullopt;
      return recfile::Value{std::move(bytes)};
    }
  }
  return std::nullopt;
}

void openOrFail(recfile::RecordFileEngine& engine, const std::string& path, bool readOnly,
                const std::string& password) {
  if (!engine.Open(path, {}, readOnly, recfile::ShareMode::None, password))
    throw Failure{"cannot open " + path + ": " + engineError(engine)};
}

int cmdDump(const Args& a, std::ostream& out) {
  namespace fmt = recfile::format;
  const std::string& path = a.positional[0];
  const std::string password = a.option("--password");
  recfile::RecordFileEngine engine;
  openOrFail(engine, path, true, password);
  const std::string mainPath = engine.CurrentPath();

  std::vector<std::uint8_t> raw;
  if (!ReadWholeFile(mainPath, &raw) || raw.size() < fmt::kHeaderSize + 4)
    throw Failure{"cannot read the header of " + mainPath};
  if (raw[0] == 'W' && raw[1] == 'C') DecipherFileBytes(password, raw);
  fmt::Header h;
  fmt::DecodeHeader(raw.data(), h);
  const std::uint32_t fieldCount = fmt::GetU32(raw.data() + fmt::kOffFieldCount);

  Json doc = Json::Object();
  doc.Set("magic", Json::String(h.ciphered ? "WCDB" : "WEDB"));
  doc.Set("version", Json::Integer(h.version));
  doc.Set("created", Json::Number(h.created));
  doc.Set("count", Json::Integer(engine.RecordCount()));
  doc.Set("next_id", Json::Integer(h.nextId));
  doc.Set("record_length", Json::Integer(h.recordLength));

  Json fields = Json::Array();
  bool hasSide = false;
  std::vector<recfile::FieldType> types;
  for (std::uint32_t f = 0; f < fieldCount; ++f) {
    fmt::Descriptor d;
    fmt::DecodeDescriptor(raw.data() + fmt::kOffFieldCount + 4 + f * fmt::kDescriptorSize, d);
    Json fj = Json::Object();
    fj.Set("name", Json::String(text::ToUtf8(d.gbkName)));
    fj.Set("type", Json::Integer(d.type));
    fj.Set("offset", Json::Integer(d.offset));
    fj.Set("width", Json::Integer(d.width));
    fields.Push(std::move(fj));
    if (d.type == 11 || d.type == 12) hasSide = true;
  }
  doc.Set("fields", std::move(fields));

  Json records = Json::Array();
  const std::int64_t count = engine.RecordCount();
  const int fcount = engine.FieldCount();
  for (std::int64_t r = 1; r <= count; ++r) {
    engine.GoTo(r);
    Json rj = Json::Object();
    const std::int64_t id = engine.RecordId();
    if (engine.LastError() != 0) throw Failure{"record " + std::to_string(r) + ": " + engineError(engine)};
    rj.Set("id", Json::Integer(id));
    rj.Set("deleted", Json::Boolean(engine.IsDeleted()));
    Json values = Json::Array();
    for (int f = 1; f <= fcount; ++f) {
      const recfile::Value v = engine.ReadField(f);
      if (engine.LastError() != 0)
        throw Failure{"record " + std::to_string(r) + " field " + std::to_string(f) + ": " + engineError(engine)};
      values.Push(valueToJson(v));
    }
    rj.Set("values", std::move(values));
    records.Push(std::move(rj));
  }
  doc.Set("records", std::move(records));

  Json side;
  if (hasSide) {
    const std::string sidePath = SidePathFor(mainPath);
    std::vector<std::uint8_t> sraw;
    fmt::SideHeader sh;
    if (sidePath.empty() || !ReadWholeFile(sidePath, &sraw) || sraw.size() < fmt::kSideHeaderSize)
      throw Failure{"cannot read the side file of " + mainPath};
    sraw.resize(fmt::kSideHeaderSize);
    if (h.ciphered) DecipherFileBytes(password, sraw);
    fmt::DecodeSideHeader(sraw.data(), sh);
    side = Json::Object();
    side.Set("blocks", Json::Integer(sh.blockCount));
    side.Set("free", Json::Integer(sh.freeCount));
    side.Set("first_free", Json::Integer(sh.firstFree));
  }
  doc.Set("side", std::move(side));
  out << doc.Dump() << "\n";
  return kExitOk;
}

int cmdCheck(const Args& a, std::ostream& out) {
  const std::string& path = a.positional[0];
  recfile::RecordFileEngine engine;
  const std::string mainPath = engine.ResolvePath(path);
  const CheckOutcome outcome = CheckFiles(mainPath, SidePathFor(mainPath), a.option("--password"));
  if (!outcome.fatal.empty()) throw Failure{"check: " + outcome.fatal};
  if (outcome.problems.empty()) {
    out << "ok\n";
    return kExitOk;
  }
  for (const std::string& p : outcome.problems) out << p << "\n";
  return kExitViolations;
}

int cmdCreate(const Args& a, std::ostream& out) {
  if (!a.has("--schema")) throw Failure{"create: --schema is required"};
  const Json schema = readJsonArgument("--schema", a.option("--schema"));
  if (schema.kind() != Json::Kind::Array) throw Failure{"--schema: expected an array of fields"};
  std::vector<recfile::FieldDef> defs;
  for (std::size_t i = 0; i < schema.items().size(); ++i) {
    const Json& f = schema.items()[i];
    const std::string where = "--schema: field " + std::to_string(i + 1);
    const Json* name = f.Find("name");
    const Json* type = f.Find("type");
    const Json* width = f.Find("width");
    if (f.kind() != Json::Kind::Object || !name || name->kind() != Json::Kind::String)
      throw Failure{where + ": needs a \"name\" string"};
    if (!type || !type->isInteger()) throw Failure{where + ": needs an integer \"type\""};
    if (width && !width->isInteger()) throw Failure{where + ": \"width\" must be an integer"};
    for (const auto& [k, v] : f.members())
      if (k != "name" && k != "type" && k != "width") throw Failure{where + ": unknown key \"" + k + "\""};
    recfile::FieldDef d;
    d.name = name->asString();
    const std::int64_t t = type->asInteger();
    const std::int64_t w = width ? width->asInteger() : 0;
    // Out-of-range numbers still reach the engine, which names the error.
    d.type = static_cast<recfile::FieldType>(t < 0 || t > 1000 ? 0 : t);
    d.width = static_cast<int>(w < 0 || w > 1'000'000 ? -1 : w);
    defs.push_back(std::move(d));
  }
  recfile::RecordFileEngine engine;
  if (!engine.Create(a.positional[0], defs))
    throw Failure{"cannot create " + a.positional[0] + ": " + engineError(engine)};
  out << engine.ResolvePath(a.positional[0]) << "\n";
  return kExitOk;
}

int cmdAppend(const Args& a, std::ostream& out) {
  if (!a.has("--values")) throw Failure{"append: --values is required"};
  const Json values = readJsonArgument("--values", a.option("--values"));
  if (values.kind() != Json::Kind::Array) throw Failure{"--values: expected an array of values in field order"};
  recfile::RecordFileEngine engine;
  openOrFail(engine, a.positional[0], false, a.option("--password"));
  const std::vector<recfile::FieldDef> fields = engine.Fields();
  if (values.items().size() > fields.size())
    throw Failure{"--values: " + std::to_string(values.items().size()) + " values for " +
                  std::to_string(fields.size()) + " fields"};
  std::vector<recfile::Value> row;
  for (std::size_t i = 0; i < values.items().size(); ++i) {
    const auto v = jsonToValue(values.items()[i], fields[i].type);
    if (!v)
      throw Failure{"--values: value " + std::to_string(i + 1) + " for field " + fields[i].name +
                    " must be " + expectedKind(fields[i].type) + " or null"};
    row.push_back(*v);
  }
  if (!engine.Append(row)) throw Failure{"cannot append: " + engineError(engine)};
  out << "{\"id\": " << engine.RecordId() << "}\n";
  return kExitOk;
}

int cmdPack(const Args& a, std::ostream& out) {
  recfile::RecordFileEngine engine;
  openOrFail(engine, a.positional[0], false, a.option("--password"));
  if (!engine.Pack()) throw Failure{"cannot pack: " + engineError(engine)};
  out << "{\"count\": " << engine.RecordCount() << "}\n";
  return kExitOk;
}

int cmdSetPassword(const Args& a, std::ostream&) {
  recfile::RecordFileEngine engine;
  openOrFail(engine, a.positional[0], false, a.option("--password"));
  if (!engine.SetPassword(a.positional[1])) throw Failure{"cannot set the password: " + engineError(engine)};
  return kExitOk;
}

// A whole decimal number within [low, high].
long long numberOption(const Args& a, const std::string& name, long long low, long long high) {
  const std::string v = a.option(name);
  long long n = 0;
  const auto r = std::from_chars(v.data(), v.data() + v.size(), n);
  if (v.empty() || r.ec != std::errc() || r.ptr != v.data() + v.size() || n < low || n > high)
    throw Failure{name + ": expected a whole number from " + std::to_string(low) + " to " +
                  std::to_string(high) + ", got \"" + v + "\""};
  return n;
}

int cmdSampleBank(const Args& a, std::ostream& out) {
  if (!a.has("--questions")) throw Failure{"sample-bank: --questions is required"};
  const int questions = static_cast<int>(numberOption(a, "--questions", 1, 1'000'000));
  const unsigned seed = a.has("--seed") ? static_cast<unsigned>(numberOption(a, "--seed", 0, 4294967295LL)) : 1u;
  recfile::RecordFileEngine engine;
  std::string error;
  if (!samples::WriteSampleBank(engine, a.positional[0], questions, seed, a.option("--password"), &error))
    throw Failure{"cannot write the sample bank: " + error};
  out << engine.ResolvePath(a.positional[0]) << "\n";
  return kExitOk;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
    out << kUsage;
    return kExitOk;
  }
  try {
    const Args a = parseArgs(args);
    const std::string name = a.command->name;
    if (name == "dump") return cmdDump(a, out);
    if (name == "check") return cmdCheck(a, out);
    if (name == "create") return cmdCreate(a, out);
    if (name == "append") return cmdAppend(a, out);
    if (name == "pack") return cmdPack(a, out);
    if (name == "set-password") return cmdSetPassword(a, out);
    if (name == "sample-bank") return cmdSampleBank(a, out);
  } catch (const Failure& f) {
    err << "mochuan-edb: " << f.message << "\n";
    return kExitError;
  } catch (const std::exception& e) {
    err << "mochuan-edb: " << e.what() << "\n";
    return kExitError;
  }
  return kExitError;
}

}  // namespace edb
