#include "reports/QPReportTable.h"

#include "model/QPProject.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

void QPReportTableRow::SetCellFlags(std::size_t column, int32_t flags)
{
    if (column < cells.size())
        cells[column].flags = flags;
}

QPReportTable::QPReportTable(const QPProjectOptions& options,
                             std::span<const LVColDynamicGlobal> columns)
    : options_(options), columns_(columns)
{}

QPReportTableRow& QPReportTable::AddRow(int32_t type, int32_t indent, int32_t trailing,
                                        bool ruleBelow, std::vector<std::string> texts)
{
    QPReportTableRow& row = rows_.emplace_back();
    row.type = type;
    row.indent = indent;
    row.trailing = trailing;
    row.ruleBelow = ruleBelow;
    row.cells.reserve(texts.size());
    for (std::string& text : texts)
        row.cells.push_back({std::move(text), 0});
    return row;
}

QPReportBase::QPReportBase(const QPProject& reported, std::span<const LVColDynamicGlobal> columns,
                           std::string_view reportTitle)
    : project(reported), table(reported.options, columns), title(reportTitle)
{}

namespace {

// A cell as a CSV field: commas would split the field for readers that ignore the
// quotes, so they become spaces, and the padding some cells carry is dropped.
std::string CSVCellText(std::string_view text)
{
    std::string cell(text.substr(0, text.find('\0')));
    std::replace(cell.begin(), cell.end(), ',', ' ');
    while (!cell.empty() && std::isspace(static_cast<unsigned char>(cell.back())))
        cell.pop_back();
    return cell;
}

void AppendCSVField(std::string& out, std::string_view cell)
{
    out += '"';
    for (const char c : CSVCellText(cell)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"')
            out += "\"\"";
        else if (byte >= 1 && byte <= 32)
            out += ' ';
        else
            out += c;
    }
    out += '"';
}

struct FileDescriptor {
    int fd = -1;
    FileDescriptor() = default;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor()
    {
        if (fd >= 0)
            close(fd);
    }
};

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

std::string QPReportTable::CSVText() const
{
    std::string out;
    for (std::size_t column = 0; column < columns_.size(); ++column) {
        if (column > 0)
            out += ',';
        AppendCSVField(out, columns_[column].title ? columns_[column].title : "");
    }
    out += "\r\n";
    for (const QPReportTableRow& row : rows_) {
        for (std::size_t cell = 0; cell < row.cells.size(); ++cell) {
            if (cell > 0)
                out += ',';
            AppendCSVField(out, row.cells[cell].text);
        }
        out += "\r\n";
    }
    return out;
}

bool QPReportTable::SaveToCSV(const std::string& path) const
{
    // Replace the file a symbolic link points to, not the link.
    std::string target = path;
    if (char* resolved = realpath(path.c_str(), nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    struct stat targetInfo {};
    const bool replacing = stat(target.c_str(), &targetInfo) == 0;
    if (replacing && !S_ISREG(targetInfo.st_mode))
        return false;

    // The whole table goes into a file beside the target, which takes the target's place
    // only once it is complete and on disk: a full disk or a vanished folder leaves an
    // earlier report as it was.
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : target.substr(0, slash);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temporary = folder + "/." + name + ".XXXXXX";
    FileDescriptor file;
    file.fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (file.fd < 0)
        return false;
    mode_t mode = targetInfo.st_mode & 07777;
    if (!replacing) {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    fchmod(file.fd, mode);

    bool ok = WriteAll(file.fd, CSVText()) && fsync(file.fd) == 0;
    ok = close(file.fd) == 0 && ok;
    file.fd = -1;
    ok = ok && rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temporary.c_str());
        return false;
    }
    FileDescriptor directory;
    directory.fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory.fd >= 0)
        fsync(directory.fd);
    return true;
}
