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
            const char c = line[at];
            const char next = at + 1 < line.size() ? line[at + 1] : '\0';
            if (c == '\t')
                rows.back().emplace_back();
            else if (c != '\\')
                rows.back().back() += c;
            else if (next == 'x') {
                rows.back().back() += char(std::stoi(line.substr(at + 2, 2), nullptr, 16));
                at += 3;
            } else {
                rows.back().back() += next == 'r' ? '\r' : next == 'n' ? '\n' : next;
                ++at;
            }
        }
    }
    return rows;
}
