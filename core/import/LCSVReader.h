#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// Reading the text files of the CSV imports: lines, encodings and cells.

// The longest line the reader hands out, in bytes. The rest of a longer line is skipped.
inline constexpr std::size_t kCSVLineMaxBytes = 8191;

// How many bytes after a UTF-16 byte order mark are searched for a tab before the file is
// taken to be tab-separated (a spreadsheet program's "Unicode text").
inline constexpr std::size_t kCSVTabProbeBytes = 2048;

// Cuts a stream of bytes into lines. A line ends at a line feed, a carriage return, or a
// carriage return followed by a line feed (one end, even when the pair arrives in two
// pieces). Empty lines are dropped; a line longer than kCSVLineMaxBytes is cut there and
// the rest of it skipped. Feed pieces in order, then call Finish, which hands out a last
// line that had no end.
class LCSVLineSplitter {
public:
    using LineHandler = std::function<void(std::string_view line)>;

    explicit LCSVLineSplitter(LineHandler handler) : handler_(std::move(handler)) {}

    void Feed(std::string_view bytes);
    void Finish();

private:
    void EndLine();

    LineHandler handler_;
    std::string line_;
    bool lineCut_ = false;
    bool afterCarriageReturn_ = false;
};

// Converts UTF-16 little-endian text (without its byte order mark) to UTF-8 piece by piece,
// with the C library's converter. A code unit that is not valid UTF-16 (an unpaired
// surrogate) becomes U+FFFD; an odd last byte is dropped. With `tabsToCommas` every tab
// becomes a comma.
class LUTF16LEToUTF8 {
public:
    explicit LUTF16LEToUTF8(bool tabsToCommas);
    ~LUTF16LEToUTF8();
    LUTF16LEToUTF8(const LUTF16LEToUTF8&) = delete;
    LUTF16LEToUTF8& operator=(const LUTF16LEToUTF8&) = delete;

    // False when the system has no converter for UTF-16 (nothing is converted then).
    bool IsOpen() const;
    // Appends the UTF-8 form of `bytes` to `out`; a code unit or surrogate pair split
    // across two pieces is kept until the next one.
    void Convert(std::string_view bytes, std::string& out);
    // Ends the text: what is still held back is invalid and becomes U+FFFD (a lone high
    // surrogate) or is dropped (an odd byte).
    void Finish(std::string& out);

private:
    void ConvertHeld(std::string& out, bool atEnd);

    void* converter_;
    bool tabsToCommas_;
    std::string held_;
};

// Whether UTF-16 little-endian text starting at `bytes` (after the mark) holds a tab among
// its first kCSVTabProbeBytes bytes.
bool LCSVHasTabUTF16LE(std::string_view bytes);

// The lines of a CSV file, in the file's encoding turned into UTF-8 (see LCSVLineSplitter
// for the lines). The first bytes decide the encoding: a UTF-8 byte order mark is skipped;
// a UTF-16 little-endian mark makes the reader convert the whole file into a temporary
// UTF-8 copy first (tab-separated files get commas), which is removed again by the time
// Open returns, whatever happens, so nothing is left behind; any other file is read as
// it is.
class LCSVFileReader {
public:
    LCSVFileReader() = default;
    ~LCSVFileReader();
    LCSVFileReader(const LCSVFileReader&) = delete;
    LCSVFileReader& operator=(const LCSVFileReader&) = delete;

    // False when the file cannot be read or the temporary copy cannot be written.
    bool Open(const std::string& path);
    // The next non-empty line; false at the end of the file.
    bool ReadLine(std::string& line);

    bool WasUTF16() const { return utf16_; }
    bool WasTabSeparated() const { return tabSeparated_; }

private:
    bool ConvertUTF16(std::FILE* source, std::string_view start);
    bool Fill();

    std::FILE* file_ = nullptr;
    LCSVLineSplitter splitter_{[this](std::string_view line) { pending_.emplace_back(line); }};
    std::vector<std::string> pending_;
    std::size_t nextPending_ = 0;
    bool atEnd_ = false;
    bool utf16_ = false;
    bool tabSeparated_ = false;
};

// Splits one line into cells:
// - blanks and control characters (codes 0 to 32) before the first cell and after each
//   comma are skipped;
// - a cell that begins with a double quote runs to the next lone double quote, a doubled
//   one standing for one quote character; whatever follows the closing quote up to the
//   next comma is dropped;
// - any other cell runs to the next comma, without its trailing blanks and control
//   characters;
// - the end of the line ends the list, so a line that ends with a comma has no empty last
//   cell.
template <class Char>
class LCommaSeparatedListIteratorTemplate {
public:
    using View = std::basic_string_view<Char>;
    using Text = std::basic_string<Char>;

    explicit LCommaSeparatedListIteratorTemplate(View line) : line_(line) { SkipBlanks(); }

    // The next cell into `cell`; false when the line has no more.
    bool Next(Text& cell)
    {
        if (at_ >= line_.size())
            return false;
        cell.clear();
        if (line_[at_] == Char('"')) {
            ++at_;
            while (at_ < line_.size()) {
                const Char c = line_[at_++];
                if (c != Char('"')) {
                    cell.push_back(c);
                } else if (at_ < line_.size() && line_[at_] == Char('"')) {
                    cell.push_back(c);
                    ++at_;
                } else {
                    break;
                }
            }
            while (at_ < line_.size() && line_[at_] != Char(','))
                ++at_;
        } else {
            const std::size_t begin = at_;
            while (at_ < line_.size() && line_[at_] != Char(','))
                ++at_;
            std::size_t end = at_;
            while (end > begin && IsBlank(line_[end - 1]))
                --end;
            cell.assign(line_.substr(begin, end - begin));
        }
        if (at_ < line_.size()) {
            ++at_; // the comma
            SkipBlanks();
        }
        return true;
    }

private:
    static bool IsBlank(Char c)
    {
        using Unsigned = std::make_unsigned_t<Char>;
        return static_cast<Unsigned>(c) <= 32;
    }
    void SkipBlanks()
    {
        while (at_ < line_.size() && IsBlank(line_[at_]))
            ++at_;
    }

    View line_;
    std::size_t at_ = 0;
};

using LCommaSeparatedListIterator = LCommaSeparatedListIteratorTemplate<char>;

// All cells of `line`.
std::vector<std::string> LCSVSplitLine(std::string_view line);
