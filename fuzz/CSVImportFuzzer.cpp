// Feeds arbitrary bytes to the CSV import: the line splitter in pieces of varying size, the
// UTF-16 converter, the cell splitter, and the whole file reader and row loop of a task
// import into a fresh project, with the fields matched to the file's own header line.
// Whatever the bytes, nothing may crash or hang, and the lines handed out must keep their
// promises (never empty, never longer than the limit, never holding a line end).

#include "import/LCSVReader.h"
#include "import/QPProcessImportCSV.h"
#include "model/QPProject.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

void CheckLine(std::string_view line)
{
    if (line.empty() || line.size() > kCSVLineMaxBytes ||
        line.find_first_of("\r\n") != std::string_view::npos)
        std::abort();
}

const std::string& ScratchFile()
{
    static const std::string path = [] {
        std::string pattern = "/tmp/kestrano-fuzz-csv-XXXXXX";
        const int fd = mkstemp(pattern.data());
        if (fd < 0)
            std::abort();
        close(fd);
        return pattern;
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Lines, fed in pieces whose sizes come from the first byte.
    const std::size_t piece = size > 0 ? 1 + data[0] % 97 : 1;
    LCSVLineSplitter splitter([&](std::string_view line) {
        CheckLine(line);
        std::string cell;
        LCommaSeparatedListIterator cells(line);
        std::size_t count = 0;
        while (cells.Next(cell))
            if (cell.size() > line.size() || ++count > line.size())
                std::abort();
    });
    for (std::size_t at = 0; at < size; at += piece)
        splitter.Feed(bytes.substr(at, piece));
    splitter.Finish();

    // The same bytes as UTF-16, split at an odd place.
    LUTF16LEToUTF8 converter(LCSVHasTabUTF16LE(bytes));
    std::string utf8;
    converter.Convert(bytes.substr(0, size / 2 | 1), utf8);
    if (size > 1)
        converter.Convert(bytes.substr(size / 2 | 1), utf8);
    converter.Finish(utf8);
    if (utf8.find('\t') != std::string::npos && LCSVHasTabUTF16LE(bytes))
        std::abort();

    // The whole import, from a file.
    const std::string& path = ScratchFile();
    if (std::FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, out);
        std::fclose(out);
    }
    QPProject project;
    QPProcessImportCSVTask import(project);
    if (import.SetFilePath(path))
        std::abort();
    const std::vector<std::string> headers = import.ReadHeaderCells();
    for (std::size_t field = 0; field < headers.size() && field < import.Fields().size(); ++field)
        import.AssignField(int(field), headers[field], headers);
    import.SetStartRow(1 + (size > 1 ? data[1] % 3 : 0));
    LProcessInterface silent;
    if (Process(silent, import) != 0)
        std::abort();
    if (std::size_t(import.SuccessfulImports()) != project.tasks.size())
        std::abort();
    return 0;
}
