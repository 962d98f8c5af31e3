// Reading and writing CSV records.
#include "csv.h"

#include <algorithm>
#include <cstring>

namespace qelhost {

bool CsvReader::next(std::vector<Field>& fields, Record& record) {
    const char* const begin = data_.data();
    const char* const end = begin + data_.size();
    for (;;) {
        if (at_ >= data_.size()) return false;
        const char* p = begin + at_;
        const char* const start = p;
        record.line = line_;
        record.first = fields.size();
        int64_t newlines_inside = 0;
        for (;;) {
            const char* const field_start = p;
            bool quoted = false;
            if (p < end && *p == '"') {
                quoted = true;
                ++p;
                for (;;) {
                    const char* q = static_cast<const char*>(std::memchr(p, '"', static_cast<size_t>(end - p)));
                    if (q == nullptr) {
                        newlines_inside += std::count(p, end, '\n');
                        if (last_) unclosed_quote_line_ = line_;
                        p = end;
                        break;
                    }
                    newlines_inside += std::count(p, q, '\n');
                    if (q + 1 < end && q[1] == '"') {
                        p = q + 2;
                        continue;
                    }
                    p = q + 1;
                    break;
                }
            }
            // Up to the delimiter or the line end (text after a closing quote
            // stays part of the field).
            while (p < end && *p != delimiter_ && *p != '\n') ++p;
            fields.push_back({std::string_view(field_start, static_cast<size_t>(p - field_start)), quoted});
            if (p < end && *p == delimiter_) {
                ++p;
                continue;
            }
            break;
        }
        if (p == end && !last_) {  // the line end, or the rest of a quoted cell, is still to come
            fields.resize(record.first);
            return false;
        }
        const char* record_end = p;
        at_ = static_cast<size_t>((p < end ? p + 1 : p) - begin);
        line_ += 1 + newlines_inside;
        if (record_end > start && record_end[-1] == '\r') {
            --record_end;
            std::string_view& last = fields.back().raw;
            if (!last.empty() && last.back() == '\r') last.remove_suffix(1);
        }
        record.raw = std::string_view(start, static_cast<size_t>(record_end - start));
        record.count = fields.size() - record.first;
        if (record.raw.empty()) {  // a blank line holds no record
            fields.resize(record.first);
            continue;
        }
        return true;
    }
}

std::string_view field_text(const Field& field, std::string& scratch) {
    if (!field.quoted) return field.raw;
    std::string_view s = field.raw.substr(1);
    scratch.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '"') {
            if (i + 1 < s.size() && s[i + 1] == '"') {
                scratch += '"';
                ++i;
                continue;
            }
            scratch.append(s.substr(i + 1));  // text after the closing quote
            break;
        }
        scratch += s[i];
    }
    return scratch;
}

void append_field(std::string& out, std::string_view text, char delimiter) {
    const bool needs_quotes =
        !text.empty() && (text.find_first_of(std::string{delimiter, '"', '\n', '\r'}) != std::string_view::npos ||
                          text.front() == ' ' || text.back() == ' ');
    if (!needs_quotes) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

}  // namespace qelhost
