// The engine's record database: one file of records with named text fields,
// and a cursor over them. Changes are made in a record buffer (begun by
// KVADDRECORD or EDITRECORD, filled by KVSETVAL) and written to the file by
// KVUPDATERECORD; deleting writes the file at once.
//
// The file is text: the line "KVDB 1", a line of field names, then one line
// per record, fields separated by tabs, with a backslash written as \\, a tab
// as \t, a line feed as \n and a carriage return as \r.
//
// Results: 1 for success and true, 0 for failure and false. Record numbers
// start at 1; 0 means no record. Field indexes start at 1.
#pragma once
#include <string>
#include <vector>

#include "model/numbers.h"

namespace kv::db {

class RecordDatabase {
 public:
  Long create(const std::string& file, const std::string& fieldList);  // names separated by commas; opens it
  Long open(const std::string& file);
  Long close();
  Long readRecord();  // the buffer takes the current record again, dropping changes
  Long addRecord();   // a blank buffer that KVUPDATERECORD appends
  Long editRecord();  // a buffer of the current record that KVUPDATERECORD writes back
  Long updateRecord();
  Long deleteRecord();  // the cursor moves to the record that followed
  Long curRecNum() const;
  Long gotoRecord(Long number);
  Long moveNext();
  Long movePrevious();
  Long findFirst(const std::string& field, const std::string& value);  // the record number, 0 if none
  Long findNext(const std::string& field, const std::string& value);   // after the current record
  Long setVal(const std::string& field, const std::string& value);
  Long setValIndex(Long index, const std::string& value);
  std::string getVal(const std::string& field) const;  // from the buffer; empty when unknown
  std::string getValIndex(Long index) const;
  Long bof() const;  // before the first record (or no records)
  Long eof() const;  // after the last record (or no records)

  bool isOpen() const { return open_; }
  Long recordCount() const { return static_cast<Long>(records_.size()); }
  const std::vector<std::string>& fields() const { return fields_; }
  const std::string& lastError() const { return error_; }

 private:
  enum class Mode { None, Add, Edit };
  Long fail(std::string why);
  Long fieldIndex(const std::string& name) const;  // 0-based, -1 unknown
  void load();                                     // buffer = current record (or blanks)
  Long save();
  Long findFrom(Long start, const std::string& field, const std::string& value);

  bool open_ = false;
  std::string file_;
  std::vector<std::string> fields_;
  std::vector<std::vector<std::string>> records_;
  std::vector<std::string> buffer_;
  Long pos_ = 0;  // 0 before the first, 1..n a record, n + 1 after the last
  Mode mode_ = Mode::None;
  std::string error_;
};

// The one database the engine's calls use.
RecordDatabase& database();

}  // namespace kv::db

namespace kv {

Long KVCREATEDATABASE(const std::string& file, const std::string& fieldList);
Long KVOPENDATABASE(const std::string& file);
Long CLOSEDB();
Long KVREADRECORD();
Long KVADDRECORD();
Long EDITRECORD();
Long KVUPDATERECORD();
Long KVDELETERECORD();
Long KVCURRECNUM();
Long KVGOTORECORD(Long number);
Long KVMOVENEXT();
Long KVMOVEPREVIOUS();
Long KVFINDFIRST(const std::string& field, const std::string& value);
Long KVFINDNEXT(const std::string& field, const std::string& value);
Long KVSETVAL(const std::string& field, const std::string& value);
Long KVSETVALINDEX(Long index, const std::string& value);
std::string KVGETVAL(const std::string& field);
std::string KVGETVALINDEX(Long index);
Long KVBOF();
Long KVEOF();

}  // namespace kv
