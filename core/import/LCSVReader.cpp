#include "import/LCSVReader.h"

#include "framework/LFiles.h"
#include "framework/LFixedText.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <unistd.h>

namespace {

constexpr std::size_t kReadPieceBytes = 64 * 1024;
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD"; // U+FFFD

iconv_t Converter(void* handle)
{
    return static_cast<iconv_t>(handle);
}

bool IsConverterOpen(void* handle)
{
    return handle != reinterpret_cast<void*>(iconv_t(-1));
}

} // namespace

// ---------------------------------------------------------------------------------------
// LCSVLineSplitter

void LCSVLineSplitter::Feed(std::string_view bytes)
{
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (afterCarriageReturn_) {
            afterCarriageReturn_ = false;
            if (bytes[at] == '\n') {
                ++at;
                continue;
            }
        }
        const std::size_t end = bytes.find_first_of("\r\n", at);
        const std::size_t stop = end == std::string_view::npos ? bytes.size() : end;
        // Only what fits is kept; a line that overflows is marked so that its end is cut
        // without splitting a character.
        const std::size_t room =
                kCSVLineMaxBytes + 1 - std::min(line_.size(), kCSVLineMaxBytes + 1);
        const std::size_t take = std::min(room, stop - at);
        line_.append(bytes.substr(at, take));
        if (take < stop - at)
            lineCut_ = true;
        if (end == std::string_view::npos)
            return;
        EndLine();
        afterCarriageReturn_ = bytes[end] == '\r';
        at = end + 1;
    }
}

void LCSVLineSplitter::Finish()
{
    EndLine();
    afterCarriageReturn_ = false;
}

void LCSVLineSplitter::EndLine()
{
    if (line_.size() > kCSVLineMaxBytes || lineCut_)
        line_ = LCutUtf8(line_, kCSVLineMaxBytes);
    if (!line_.empty())
        handler_(line_);
    line_.clear();
    lineCut_ = false;
}

// ---------------------------------------------------------------------------------------
// LUTF16LEToUTF8

LUTF16LEToUTF8::LUTF16LEToUTF8(bool tabsToCommas)
    : converter_(reinterpret_cast<void*>(iconv_open("UTF-8", "UTF-16LE"))),
      tabsToCommas_(tabsToCommas)
{}

LUTF16LEToUTF8::~LUTF16LEToUTF8()
{
    if (IsConverterOpen(converter_))
        iconv_close(Converter(converter_));
}

bool LUTF16LEToUTF8::IsOpen() const
{
    return IsConverterOpen(converter_);
}

void LUTF16LEToUTF8::Convert(std::string_view bytes, std::string& out)
{
    held_.append(bytes);
    ConvertHeld(out, false);
}

void LUTF16LEToUTF8::Finish(std::string& out)
{
    ConvertHeld(out, true);
    held_.clear();
}

void LUTF16LEToUTF8::ConvertHeld(std::string& out, bool atEnd)
{
    if (!IsConverterOpen(converter_)) {
        held_.clear();
        return;
    }
    char* in = held_.data();
    std::size_t inLeft = held_.size();
    // One UTF-16 code unit never needs more than three bytes of UTF-8, a pair four.
    std::string produced(inLeft / 2 * 3 + 8, '\0');
    while (inLeft > 0) {
        char* outAt = produced.data();
        std::size_t outLeft = produced.size();
        const std::size_t result = iconv(Converter(converter_), &in, &inLeft, &outAt, &outLeft);
        const int error = result == std::size_t(-1) ? errno : 0;
        const std::size_t outBytes = produced.size() - outLeft;
        const std::size_t before = out.size();
        out.append(produced.data(), outBytes);
        if (tabsToCommas_)
            for (std::size_t i = before; i < out.size(); ++i)
                if (out[i] == '\t')
                    out[i] = ',';
        if (error == 0 || error == E2BIG)
            continue;
        if (error == EILSEQ) {
            // An unpaired surrogate: the rest of the text is still worth reading.
            out.append(kReplacementCharacter);
            const std::size_t skip = std::min<std::size_t>(2, inLeft);
            in += skip;
            inLeft -= skip;
            continue;
        }
        // EINVAL: the text ends inside a code unit or a surrogate pair.
        if (!atEnd)
            break;
        if (inLeft >= 2)
            out.append(kReplacementCharacter);
        inLeft = 0;
    }
    held_.erase(0, held_.size() - inLeft);
    if (atEnd)
        iconv(Converter(converter_), nullptr, nullptr, nullptr, nullptr);
}

bool LCSVHasTabUTF16LE(std::string_view bytes)
{
    const std::size_t probe = std::min(bytes.size(), kCSVTabProbeBytes) & ~std::size_t(1);
    for (std::size_t i = 0; i < probe; i += 2)
        if (bytes[i] == '\t' && bytes[i + 1] == '\0')
            return true;
    return false;
}

// ---------------------------------------------------------------------------------------
// LCSVFileReader

LCSVFileReader::~LCSVFileReader()
{
    if (file_)
        std::fclose(file_);
}

bool LCSVFileReader::Open(const std::string& path)
{
    std::FILE* source = std::fopen(path.c_str(), "rb");
    if (!source)
        return false;
    char mark[3] = {};
    const std::size_t markBytes = std::fread(mark, 1, sizeof mark, source);
    const std::string_view start(mark, markBytes);
    if (start.substr(0, 3) == "\xEF\xBB\xBF") {
        file_ = source;
        return true;
    }
    if (start.substr(0, 2) == "\xFF\xFE") {
        utf16_ = true;
        const bool converted = ConvertUTF16(source, start.substr(2));
        std::fclose(source);
        return converted;
    }
    // Plain text: the bytes looked at are the start of the first line.
    file_ = source;
    splitter_.Feed(start);
    return true;
}

bool LCSVFileReader::ConvertUTF16(std::FILE* source, std::string_view start)
{
    // Whether the file is tab-separated is known only after the first bytes.
    std::string head(start);
    head.resize(kCSVTabProbeBytes);
    const std::size_t headBytes = start.size() + std::fread(head.data() + start.size(), 1,
                                                            head.size() - start.size(), source);
    head.resize(headBytes);
    tabSeparated_ = LCSVHasTabUTF16LE(head);

    LUTF16LEToUTF8 converter(tabSeparated_);
    if (!converter.IsOpen())
        return false;

    // The copy has no name from the moment it exists: the system removes it when it is
    // closed, whether the import finishes, fails or the program is stopped.
    const std::string folder = LTemporaryFolder();
    std::string pattern = folder + (folder == "/" ? "" : "/") + "kestrano-import-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0)
        return false;
    unlink(pattern.c_str());
    std::FILE* copy = fdopen(fd, "w+b");
    if (!copy) {
        close(fd);
        return false;
    }

    std::string utf8;
    std::string piece(kReadPieceBytes, '\0');
    bool ok = true;
    auto writeOut = [&] {
        if (!utf8.empty() && std::fwrite(utf8.data(), 1, utf8.size(), copy) != utf8.size())
            ok = false;
        utf8.clear();
    };
    converter.Convert(head, utf8);
    writeOut();
    while (ok) {
        const std::size_t got = std::fread(piece.data(), 1, piece.size(), source);
        if (got == 0)
            break;
        converter.Convert(std::string_view(piece.data(), got), utf8);
        writeOut();
    }
    converter.Finish(utf8);
    writeOut();
    if (std::ferror(source) || std::fflush(copy) != 0 || !ok) {
        std::fclose(copy);
        return false;
    }
    std::rewind(copy);
    file_ = copy;
    return true;
}

bool LCSVFileReader::Fill()
{
    if (atEnd_ || !file_)
        return false;
    std::string piece(kReadPieceBytes, '\0');
    const std::size_t got = std::fread(piece.data(), 1, piece.size(), file_);
    if (got > 0) {
        splitter_.Feed(std::string_view(piece.data(), got));
        return true;
    }
    splitter_.Finish();
    atEnd_ = true;
    return true;
}

bool LCSVFileReader::ReadLine(std::string& line)
{
    while (nextPending_ >= pending_.size()) {
        pending_.clear();
        nextPending_ = 0;
        if (!Fill())
            return false;
    }
    line = std::move(pending_[nextPending_++]);
    return true;
}

std::vector<std::string> LCSVSplitLine(std::string_view line)
{
    std::vector<std::string> cells;
    LCommaSeparatedListIterator it(line);
    std::string cell;
    while (it.Next(cell))
        cells.push_back(cell);
    return cells;
}
