// The files of tests/data/mail: expected messages and tables of cases.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// A file of tests/data/mail; an SMTP transcript (".smtp") and mails (".mails") get "\r\n"
// line ends.
inline std::string MailData(const std::string& name)
{
    std::stringstream text;
    text << std::ifstream(KESTRANO_TEST_DATA_DIR "/mail/" + name).rdbuf();
    std::string bytes = text.str();
    for (std::size_t at = 0; (name.ends_with(".smtp") || name.ends_with(".mails")) &&
                             (at = bytes.find('\n', at)) != std::string::npos;
         at += 2)
        bytes.insert(at, "\r");
    return bytes;
}

// The lines with `separator` between them.
inline std::string Join(const std::vector<std::string>& lines, const std::string& separator = ", ")
{
    std::string all;
    for (const std::string& line : lines)
        all += (&line == &lines.front() ? "" : separator) + line;
    return all;
}

// The rows of a table: cells between tabs, with \r, \n, \\ and \xHH written out; lines
// that start with "#" are notes.
inline std::vector<std::vector<std::string>> MailRows(const std::string& name)
{
    std::istringstream lines(MailData(name));
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line.starts_with('#'))
            continue;
        rows.emplace_back(1);
        for (std::size_t at = 0; at < line.size(); ++at) {
            std::string& cell = rows.back().back();
            if (line[at] == '\t')
                rows.back().emplace_back();
            else if (line[at] != '\\')
                cell += line[at];
            else if (line[++at] != 'x')
                cell += line[at] == 'r' ? '\r' : line[at] == 'n' ? '\n' : line[at];
            else
                cell += char(std::stoi(line.substr(at + 1, 2), nullptr, 16)), at += 2;
        }
    }
    return rows;
}
