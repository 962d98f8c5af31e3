// CSV as qelhost reads and writes it: records of fields separated by a
// delimiter, fields optionally in double quotes (a quote inside written
// twice, delimiters and line ends allowed inside), lines ended by LF or
// CR LF.  Fields are views into the text read; nothing is copied.  The
// reader works on a window of the text: the whole of it, or
// the part read so far, which the caller refills keeping the
// record not yet finished (a quoted cell may span any number of reads).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qelhost {

struct Field {
    std::string_view raw;  // as it stands in the file, quotes included
    bool quoted = false;
};

struct Record {
    std::string_view raw;  // the whole record without its line end
    int64_t line = 0;      // line of the file where it starts (1-based)
    size_t first = 0;      // index of its first field in the field vector
    size_t count = 0;      // number of fields
};

class CsvReader {
public:
    // `last`: the window holds the end of the text.
    CsvReader(std::string_view data, char delimiter, bool last = true)
        : data_(data), delimiter_(delimiter), last_(last) {}

    // Reads the next record that is not a blank line, appending its fields
    // to `fields`.  False when the window holds no further whole record: at
    // the end of the text, or before a record the window ends inside of.
    bool next(std::vector<Field>& fields, Record& record);

    // Bytes of the window read so far (the unfinished record starts here).
    size_t offset() const { return at_; }
    bool at_end() const { return last_ && at_ >= data_.size(); }
    // Goes on in the next window, which starts where offset() was.
    void advance(std::string_view data, bool last) {
        data_ = data;
        last_ = last;
        at_ = 0;
    }
    // Line of a quoted field that the data ends inside of, 0 when none.
    int64_t unclosed_quote_line() const { return unclosed_quote_line_; }

private:
    std::string_view data_;
    char delimiter_;
    bool last_;
    size_t at_ = 0;
    int64_t line_ = 1;
    int64_t unclosed_quote_line_ = 0;
};

// The text of a field: as it stands, or with its quotes removed and doubled
// quotes made single (written into `scratch`, which the view then refers to).
std::string_view field_text(const Field& field, std::string& scratch);

// Appends text as one field, in quotes when it holds the delimiter, a
// quote, a line end or blanks at either end.
void append_field(std::string& out, std::string_view text, char delimiter);

}  // namespace qelhost
