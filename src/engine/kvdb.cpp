#include "engine/kvdb.h"

#include <algorithm>
#include <sstream>

#include "io/mapfile.h"

namespace kv::db {

namespace {

constexpr const char* kMagic = "KVDB 1";

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::string escape(const std::string& v) {
  std::string o;
  for (char c : v) {
    switch (c) {
      case '\\':
        o += "\\\\";
        break;
      case '\t':
        o += "\\t";
        break;
      case '\n':
        o += "\\n";
        break;
      case '\r':
        o += "\\r";
        break;
      default:
        o += c;
    }
  }
  return o;
}

// Splits one line at its tabs and undoes the escapes.
std::vector<std::string> splitLine(const std::string& line) {
  std::vector<std::string> out(1);
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '\t') {
      out.emplace_back();
    } else if (c == '\\' && i + 1 < line.size()) {
      char n = line[++i];
      out.back() += n == 't' ? '\t' : n == 'n' ? '\n' : n == 'r' ? '\r' : n;
    } else {
      out.back() += c;
    }
  }
  return out;
}

}  // namespace

Long RecordDatabase::fail(std::string why) {
  error_ = std::move(why);
  return 0;
}

Long RecordDatabase::fieldIndex(const std::string& name) const {
  std::string n = lower(trim(name));
  for (size_t i = 0; i < fields_.size(); ++i)
    if (lower(fields_[i]) == n) return static_cast<Long>(i);
  return -1;
}

void RecordDatabase::load() {
  mode_ = Mode::None;
  Long n = recordCount();
  if (pos_ >= 1 && pos_ <= n)
    buffer_ = records_[pos_ - 1];
  else
    buffer_.assign(fields_.size(), std::string());
}

Long RecordDatabase::save() {
  std::string text = std::string(kMagic) + "\n";
  auto line = [&text](const std::vector<std::string>& values) {
    for (size_t i = 0; i < values.size(); ++i) {
      if (i) text += '\t';
      text += escape(values[i]);
    }
    text += '\n';
  };
  line(fields_);
  for (const auto& r : records_) line(r);
  std::string err = writeFileAtomically(file_, std::vector<unsigned char>(text.begin(), text.end()));
  if (!err.empty()) return fail(file_ + ": " + err);
  return 1;
}

Long RecordDatabase::create(const std::string& file, const std::string& fieldList) {
  std::vector<std::string> names;
  std::stringstream in(fieldList);
  for (std::string f; std::getline(in, f, ',');) {
    f = trim(f);
    if (f.empty() || f.find_first_of("\t\n\r\\") != std::string::npos)
      return fail("Field names must not be empty nor hold tabs, line breaks or backslashes.");
    for (const auto& g : names)
      if (lower(g) == lower(f)) return fail("The field name \"" + f + "\" is given twice.");
    names.push_back(f);
  }
  if (names.empty()) return fail("A database needs at least one field.");
  RecordDatabase fresh;
  fresh.file_ = file;
  fresh.fields_ = names;
  if (!fresh.save()) return fail(fresh.error_);
  return open(file);
}

Long RecordDatabase::open(const std::string& file) {
  std::string err;
  auto bytes = readFileBytes(file, err);
  if (!bytes) return fail(file + ": " + err);
  std::string text(bytes->begin(), bytes->end());
  std::vector<std::string> lines;
  std::stringstream in(text);
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    lines.push_back(l);
  }
  if (lines.size() < 2 || lines[0] != kMagic) return fail(file + " is not a record database.");
  std::vector<std::string> fields = splitLine(lines[1]);
  std::vector<std::vector<std::string>> records;
  for (size_t i = 2; i < lines.size(); ++i) {
    auto r = splitLine(lines[i]);
    if (r.size() != fields.size())
      return fail(file + ": line " + std::to_string(i + 1) + " has " + std::to_string(r.size()) +
                  " fields, the database has " + std::to_string(fields.size()) + ".");
    records.push_back(std::move(r));
  }
  open_ = true;
  file_ = file;
  fields_ = std::move(fields);
  records_ = std::move(records);
  pos_ = records_.empty() ? 0 : 1;
  error_.clear();
  load();
  return 1;
}

Long RecordDatabase::close() {
  if (!open_) return fail("No database is open.");
  *this = RecordDatabase{};
  return 1;
}

Long RecordDatabase::readRecord() {
  if (!curRecNum()) return fail("There is no current record.");
  load();
  return 1;
}

Long RecordDatabase::addRecord() {
  if (!open_) return fail("No database is open.");
  buffer_.assign(fields_.size(), std::string());
  mode_ = Mode::Add;
  return 1;
}

Long RecordDatabase::editRecord() {
  if (!curRecNum()) return fail("There is no current record.");
  load();
  mode_ = Mode::Edit;
  return 1;
}

Long RecordDatabase::updateRecord() {
  if (mode_ == Mode::None) return fail("No record is being added or edited.");
  auto before = records_;
  if (mode_ == Mode::Add) {
    records_.push_back(buffer_);
    pos_ = recordCount();
  } else {
    records_[pos_ - 1] = buffer_;
  }
  if (!save()) {
    records_ = std::move(before);
    return 0;
  }
  mode_ = Mode::None;
  return 1;
}

Long RecordDatabase::deleteRecord() {
  if (!curRecNum()) return fail("There is no current record.");
  auto before = records_;
  records_.erase(records_.begin() + (pos_ - 1));
  if (!save()) {
    records_ = std::move(before);
    return 0;
  }
  load();
  return 1;
}

Long RecordDatabase::curRecNum() const { return open_ && pos_ >= 1 && pos_ <= recordCount() ? pos_ : 0; }

Long RecordDatabase::gotoRecord(Long number) {
  if (!open_ || number < 1 || number > recordCount()) return fail("There is no record " + std::to_string(number) + ".");
  pos_ = number;
  load();
  return 1;
}

Long RecordDatabase::moveNext() {
  if (!open_ || pos_ > recordCount()) return fail("The cursor is past the last record.");
  ++pos_;
  load();
  return 1;
}

Long RecordDatabase::movePrevious() {
  if (!open_ || pos_ < 1) return fail("The cursor is before the first record.");
  --pos_;
  load();
  return 1;
}

Long RecordDatabase::findFrom(Long start, const std::string& field, const std::string& value) {
  Long f = fieldIndex(field);
  if (!open_ || f < 0) return fail("There is no field \"" + field + "\".");
  for (Long i = std::max<Long>(start, 1); i <= recordCount(); ++i)
    if (records_[i - 1][f] == value) {
      pos_ = i;
      load();
      return i;
    }
  return 0;
}

Long RecordDatabase::findFirst(const std::string& field, const std::string& value) { return findFrom(1, field, value); }

Long RecordDatabase::findNext(const std::string& field, const std::string& value) {
  return findFrom(pos_ + 1, field, value);
}

Long RecordDatabase::setVal(const std::string& field, const std::string& value) {
  return setValIndex(fieldIndex(field) + 1, value);
}

Long RecordDatabase::setValIndex(Long index, const std::string& value) {
  if (mode_ == Mode::None) return fail("Begin adding or editing a record before setting its fields.");
  if (index < 1 || index > static_cast<Long>(fields_.size())) return fail("There is no such field.");
  buffer_[index - 1] = value;
  return 1;
}

std::string RecordDatabase::getVal(const std::string& field) const { return getValIndex(fieldIndex(field) + 1); }

std::string RecordDatabase::getValIndex(Long index) const {
  if (!open_ || index < 1 || index > static_cast<Long>(buffer_.size())) return {};
  return buffer_[index - 1];
}

Long RecordDatabase::bof() const { return !open_ || records_.empty() || pos_ < 1 ? 1 : 0; }
Long RecordDatabase::eof() const { return !open_ || records_.empty() || pos_ > recordCount() ? 1 : 0; }

RecordDatabase& database() {
  static RecordDatabase d;
  return d;
}

}  // namespace kv::db

namespace kv {

using db::database;

Long KVCREATEDATABASE(const std::string& file, const std::string& fieldList) {
  return database().create(file, fieldList);
}
Long KVOPENDATABASE(const std::string& file) { return database().open(file); }
Long CLOSEDB() { return database().close(); }
Long KVREADRECORD() { return database().readRecord(); }
Long KVADDRECORD() { return database().addRecord(); }
Long EDITRECORD() { return database().editRecord(); }
Long KVUPDATERECORD() { return database().updateRecord(); }
Long KVDELETERECORD() { return database().deleteRecord(); }
Long KVCURRECNUM() { return database().curRecNum(); }
Long KVGOTORECORD(Long number) { return database().gotoRecord(number); }
Long KVMOVENEXT() { return database().moveNext(); }
Long KVMOVEPREVIOUS() { return database().movePrevious(); }
Long KVFINDFIRST(const std::string& field, const std::string& value) { return database().findFirst(field, value); }
Long KVFINDNEXT(const std::string& field, const std::string& value) { return database().findNext(field, value); }
Long KVSETVAL(const std::string& field, const std::string& value) { return database().setVal(field, value); }
Long KVSETVALINDEX(Long index, const std::string& value) { return database().setValIndex(index, value); }
std::string KVGETVAL(const std::string& field) { return database().getVal(field); }
std::string KVGETVALINDEX(Long index) { return database().getValIndex(index); }
Long KVBOF() { return database().bof(); }
Long KVEOF() { return database().eof(); }

}  // namespace kv
