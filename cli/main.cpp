// kestrano-cli: the planner's core without a window, for scripts, batch work and tests.
// Every command exits 0 on success, 1 when the user stopped it with Ctrl-C and 2 on bad
// input or when the work failed (with the reason on stderr); check alone also exits 1, when
// it has something to report. None ever leaves a half-written output file behind.

#include "QPProjectJson.h"
#if KESTRANO_CLI_HAS_PDF
#include "QPGanttCommand.h"
#include "QPUpdatesCommand.h"
#endif

#include "dialogs/QPBaselineRules.h"
#include "export/QPProjectXmlExport.h"
#include "framework/LConsoleProcess.h"
#include "framework/LVersion.h"
#include "import/QPProcessImportCSV.h"
#include "import/QPProjectXmlImport.h"
#include "model/QPProject.h"
#include "reports/QPReports.h"

#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kExitOK = 0;
// Ctrl-C; and for check, that the plan has something to report.
constexpr int kExitInterrupted = 1;
constexpr int kExitFindings = 1;
// Bad input, or the work itself went wrong (a mail server refused, a file could not be
// written).
constexpr int kExitFailed = 2;

const char* const kUsage =
        "Usage: kestrano-cli COMMAND [ARGUMENTS]\n"
        "\n"
        "Works on Kestrano project files (.qpp) without opening a window.\n"
        "\n"
        "Commands:\n"
        "  new OUT.qpp [--name TEXT] [--start YYYY-MM-DD] [--deadline YYYY-MM-DD]\n"
        "                 write a new project with its \"Default Schedule\"\n"
        "  dump FILE.qpp  write the whole project file as JSON to standard output\n"
        "  export-xml FILE.qpp -o OUT.xml\n"
        "                 recalculate the plan and write it in the Project XML interchange\n"
        "                 format (MSPDI), which other planning programs open\n"
        "  recalc FILE.qpp [-o OUT.qpp]\n"
        "                 recalculate the plan and save it (in place without -o)\n"
        "  check FILE.qpp recalculate the plan and print, one line each, what it cannot\n"
        "                 satisfy: tasks on a dependency loop, tasks whose calendars have no\n"
        "                 working time, tasks leveling left over-committing a resource, links\n"
        "                 a fixed date breaks (with the negative slack), a finish after the\n"
        "                 deadline; exit 0 when there is nothing to report, 1 when there is\n"
        "  from-json IN.json -o OUT.qpp\n"
        "                 write a project file from JSON in the layout dump writes\n"
        "  gantt FILE.qpp -o CHART.pdf\n"
        "                 recalculate the plan and write its Gantt chart as PDF, one point\n"
        "                 to a unit: one page, or for a chart over 200 inches pages of at\n"
        "                 most 200 x 200 inches, left to right then top to bottom, each\n"
        "                 with the date strip\n"
        "  report KIND FILE.qpp (--csv OUT.csv | --pdf OUT.pdf)\n"
        "                 recalculate the plan and write one of its reports as CSV or as\n"
        "                 A4 PDF pages (both may be given); KIND is\n"
        "                 task-summary, task-detail, task-expense or resource-expense\n"
        "  import KIND FILE.qpp DATA.csv -o OUT.qpp [--start-row N]\n"
        "         [--map \"FIELD=COLUMN HEADER\"]...\n"
        "                 add tasks, resources or schedules (KIND) from a CSV file and\n"
        "                 save the project as OUT.qpp; without --map each field takes the\n"
        "                 column headed with its name (\"Task Name\", \"Duration\", ...);\n"
        "                 prints the counts and the refused rows\n"
        "  import-xml FILE.xml -o OUT.qpp\n"
        "                 make a new project from a Project XML file (MSPDI): tasks, links,\n"
        "                 resources, assignments and calendars; recalculate and save it as\n"
        "                 OUT.qpp; prints the counts and, one line each, what could not be\n"
        "                 imported as the file has it\n"
        "  baseline add NAME FILE.qpp\n"
        "                 recalculate the plan, keep it as a new baseline named NAME (at\n"
        "                 most 10 a project) and save the project; prints the new ID\n"
        "  baseline delete ID FILE.qpp\n"
        "                 remove the baseline with this ID (as dump lists them) and save\n"
        "  baseline compare ID FILE.qpp -o OUT.pdf\n"
        "                 recalculate the plan and write its comparison with the baseline\n"
        "                 as US Letter PDF pages\n"
        "  updates (task|project) FILE.qpp [--dry-run]\n"
        "                 e-mail the resources their task updates (what changed since the\n"
        "                 last ones; the file then keeps the new state) or project updates\n"
        "                 (the Gantt chart), with the user's e-mail settings; --dry-run\n"
        "                 prints every message instead and changes nothing\n"
        "\n"
        "Options:\n"
        "  --help         show this help and exit\n"
        "  --version      show the version and exit\n"
        "\n"
        "Exit status: 0 done; 1 stopped with Ctrl-C, with nothing written; 2 bad input or\n"
        "the work failed, with the reason on standard error. check also exits 1 when it\n"
        "has something to report.\n";

int Fail(const std::string& message)
{
    std::fprintf(stderr, "kestrano-cli: %s\n", message.c_str());
    return kExitFailed;
}

// Ctrl-C outside a console process. The work before a command writes is short (imports
// and mail, the long runs, go under a console process, which stops them sooner), so the
// command finishes it and then stops before it writes anything: a file is either written
// whole or not at all.
volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void RememberInterrupt(int)
{
    gInterrupted = 1;
}

void CatchInterrupt()
{
    struct sigaction action {};
    action.sa_handler = RememberInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
}

// True, after saying so, once Ctrl-C was pressed: the command then writes nothing, and
// `untouched` says what that leaves as it was.
bool StopsBeforeWriting(const std::string& command, const std::string& untouched)
{
    if (!gInterrupted)
        return false;
    std::fprintf(stderr, "kestrano-cli: %s: interrupted; %s\n", command.c_str(), untouched.c_str());
    return true;
}

// The arguments after the command: plain ones in order, and "--option value" pairs.
struct Arguments {
    std::vector<std::string> plain;
    // The last value of each option.
    std::map<std::string, std::string> options;
    // Every option in order, for those that may be given more than once.
    std::vector<std::pair<std::string, std::string>> all;
};

// The arguments from argv[first] on (after the command, or after a command's action).
bool ParseArguments(int argc, char* argv[], const std::vector<std::string>& known,
                    Arguments& arguments, std::string& error, int first = 2)
{
    for (int i = first; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.size() > 1 && argument[0] == '-') {
            if (std::find(known.begin(), known.end(), argument) == known.end()) {
                error = "unknown option " + argument;
                return false;
            }
            if (i + 1 >= argc) {
                error = argument + " needs a value";
                return false;
            }
            arguments.options[argument] = argv[i + 1];
            arguments.all.emplace_back(argument, argv[++i]);
        } else {
            arguments.plain.push_back(argument);
        }
    }
    return true;
}

// A calendar date "YYYY-MM-DD"; false for anything else.
bool ParseDay(const std::string& text, int& year, int& month, int& day)
{
    int end = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &year, &month, &day, &end) != 3 ||
        end != static_cast<int>(text.size()))
        return false;
    return year >= 1970 && month >= 1 && month <= 12 && day >= 1 &&
           day <= LDateTime::GetNumberOfDaysInMonth(year, month);
}

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

int CommandNew(int argc, char* argv[])
{
    Arguments arguments;
    std::string error;
    if (!ParseArguments(argc, argv, {"--name", "--start", "--deadline"}, arguments, error))
        return Fail("new: " + error);
    if (arguments.plain.size() != 1)
        return Fail("new: give exactly one output file (see kestrano-cli --help)");
    const std::string& out = arguments.plain[0];

    QPProject project;
    if (const auto it = arguments.options.find("--name"); it != arguments.options.end()) {
        const std::string name = Trimmed(it->second);
        if (name.empty())
            return Fail("new: Please enter a name for the project.");
        project.name = name;
    }
    // The start is the beginning of its day and the deadline the end of its day, as the
    // project editor sets them.
    int year = 0, month = 0, day = 0;
    if (const auto it = arguments.options.find("--start"); it != arguments.options.end()) {
        if (!ParseDay(it->second, year, month, day))
            return Fail("new: --start is not a date (YYYY-MM-DD): " + it->second);
        project.projectStart.SetDateTime(year, month, day, 0, 0, 0);
        project.projectFinish = project.projectStart + 86400;
        project.projectDeadline = project.projectStart + 86400;
    }
    if (const auto it = arguments.options.find("--deadline"); it != arguments.options.end()) {
        if (!ParseDay(it->second, year, month, day))
            return Fail("new: --deadline is not a date (YYYY-MM-DD): " + it->second);
        project.projectDeadline.SetDateTime(year, month, day, 23, 59, 59);
        if (!(project.projectStart < project.projectDeadline))
            return Fail("new: The project deadline must follow the project start. Please enter "
                        "a later date.");
    }
    if (StopsBeforeWriting("new", out + " was not written"))
        return kExitInterrupted;
    if (project.ProjectSave(out) != 0)
        return Fail("new: cannot write " + out);
    return kExitOK;
}

int CommandRecalc(int argc, char* argv[])
{
    Arguments arguments;
    std::string error;
    if (!ParseArguments(argc, argv, {"-o"}, arguments, error))
        return Fail("recalc: " + error);
    if (arguments.plain.size() != 1)
        return Fail("recalc: give exactly one project file (see kestrano-cli --help)");
    const std::string& file = arguments.plain[0];
    const auto out = arguments.options.find("-o");
    const std::string& target = out == arguments.options.end() ? file : out->second;
    QPProject project;
    if (project.ProjectLoad(file) != 0)
        return Fail("recalc: " + file + " is missing, locked or not a Kestrano project file");
    project.AutoScheduleTasks();
    project.CalculateEndDateByTasks();
    if (StopsBeforeWriting("recalc", target + " was not written"))
        return kExitInterrupted;
    if (project.ProjectSave(target) != 0)
        return Fail("recalc: cannot write " + target);
    return kExitOK;
}

int CommandCheck(int argc, char* argv[])
{
    Arguments arguments;
    std::string error;
    if (!ParseArguments(argc, argv, {}, arguments, error))
        return Fail("check: " + error);
    if (arguments.plain.size() != 1)
        return Fail("check: give exactly one project file (see kestrano-cli --help)");
    const std::string& file = arguments.plain[0];
    QPProject project;
    if (project.ProjectLoad(file) != 0)
        return Fail("check: " + file + " is missing, locked or not a Kestrano project file");
    project.AutoScheduleTasks();
    project.CalculateEndDateByTasks();
    const std::vector<std::string> findings = project.CheckPlan();
    if (StopsBeforeWriting("check", "nothing was printed"))
        return kExitInterrupted;
    for (const std::string& line : findings)
        std::printf("%s\n", line.c_str());
    return findings.empty() ? kExitOK : kExitFindings;
}

int CommandDump(int argc, char* argv[])
{
    Arguments arguments;
    std::string error;
    if (!ParseArguments(argc, argv, {}, arguments, error))
        return Fail("dump: " + error);
    if (arguments.plain.size() != 1)
        return Fail("dump: give exactly one project file (see kestrano-cli --help)");
    const std::string& file = arguments.plain[0];
    QPProject project;
    if (project.ProjectLoad(file) != 0)
        return Fail("dump: " + file + " is missing, locked or not a Kestrano project file");
    if (StopsBeforeWriting("dump", "nothing was printed"))
        return kExitInterrupted;
    // Texts from other programs' files need not be UTF-8; such bytes show as U+FFFD.
    std::cout << QPProjectToJson(project).dump(2, ' ', false,
                                               nlohmann::json::error_handler_t::replace)
              << '\n';
    return std::cout.good() ? kExitOK : Fail("dump: cannot write to standard output");
}

int CommandExportXml(int argc, char* argv[])
{
    Arguments arguments;
    std::string error;
    if (!ParseArguments(argc, argv, {"-o"}, arguments, error))
        return Fail("export-xml: " + error);
    const auto out = arguments.options.find("-o");
    if (arguments.plain.size() != 1 || out == arguments.options.end())
        return Fail("export-xml: give one project file and -o OUT.xml (see kestrano-cli --help)");
    const std::string& file = arguments.plain[0];
    QPProject project;
    if (project.ProjectLoad(file) != 0)
        return Fail("export-xml: " + file + " is missing, locked or not a Kestrano project file");
    project.AutoScheduleTasks();
    project.CalculateEndDateByTasks();
    if (StopsBeforeWriting("export-xml", out->second + " was not written"))
        return kExitInterrupted;
    if (!QPProjectXmlExportToFile(project, out->second))
        return Fail("export-xml: cannot write " + out->second);
    return kExitOK;
}

int CommandFromJson(int argc, char* argv[])
{
    Arguments arguments;
    std::string error;
    if (!ParseArguments(argc, argv, {"-o"}, arguments, error))
        return Fail("from-json: " + error);
    const auto out = arguments.options.find("-o");
    if (arguments.plain.size() != 1 || out == arguments.options.end())
        return Fail("from-json: give one JSON file and -o OUT.qpp (see kestrano-cli --help)");
    const std::string& in = arguments.plain[0];
    std::ifstream stream(in, std::ios::binary);
    if (!stream)
        return Fail("from-json: cannot read " + in);
    QPProject project;
    try {
        const QPJson json = QPJson::parse(stream);
        QPProjectFromJson(json, project);
    } catch (const std::exception& problem) {
        return Fail("from-json: " + in + ": " + problem.what());
    }
    if (StopsBeforeWriting("from-json", out->second + " was not written"))
        return kExitInterrupted;
    if (project.ProjectSave(out->second) != 0)
        return Fail("from-json: cannot write " + out->second);
    return kExitOK;
}

int CommandGantt(int argc, char* argv[])
{
    Arguments arguments;
    std::string error;
    if (!ParseArguments(argc, argv, {"-o"}, arguments, error))
        return Fail("gantt: " + error);
    const auto out = arguments.options.find("-o");
    if (arguments.plain.size() != 1 || out == arguments.options.end())
        return Fail("gantt: give one project file and -o CHART.pdf (see kestrano-cli --help)");
    const std::string& file = arguments.plain[0];
    QPProject project;
    if (project.ProjectLoad(file) != 0)
        return Fail("gantt: " + file + " is missing, locked or not a Kestrano project file");
    project.AutoScheduleTasks();
    project.CalculateEndDateByTasks();
#if KESTRANO_CLI_HAS_PDF
    if (StopsBeforeWriting("gantt", out->second + " was not written"))
        return kExitInterrupted;
    if (!WriteGanttChartPDF(project, out->second, error))
        return Fail("gantt: " + error);
    return kExitOK;
#else
    return Fail("gantt: this kestrano-cli was built without PDF output");
#endif
}

int CommandReport(int argc, char* argv[])
{
    Arguments arguments;
    std::string error;
    if (!ParseArguments(argc, argv, {"--csv", "--pdf"}, arguments, error))
        return Fail("report: " + error);
    const auto csv = arguments.options.find("--csv");
    const auto pdf = arguments.options.find("--pdf");
    if (arguments.plain.size() != 2 ||
        (csv == arguments.options.end() && pdf == arguments.options.end()))
        return Fail("report: give a report kind, one project file and --csv OUT.csv or --pdf "
                    "OUT.pdf (see kestrano-cli --help)");
    const std::optional<eReportKind> kind = QPReportKindFromName(arguments.plain[0]);
    if (!kind)
        return Fail("report: unknown report \"" + arguments.plain[0] +
                    "\" (task-summary, task-detail, task-expense or resource-expense)");
    const std::string& file = arguments.plain[1];
    QPProject project;
    if (project.ProjectLoad(file) != 0)
        return Fail("report: " + file + " is missing, locked or not a Kestrano project file");
    project.AutoScheduleTasks();
    project.CalculateEndDateByTasks();

    const std::unique_ptr<QPReportBase> report = QPMakeReport(*kind, project);
    report->GenerateReport();
    if (report->rowCount == 0)
        return Fail(std::string("report: ") + kReportEmptyMessage);
    if (StopsBeforeWriting("report", "nothing was written"))
        return kExitInterrupted;
    // Each output is written whole beside its target and then put in its place, so a
    // refusal or failure never leaves a half-written file.
    if (csv != arguments.options.end() && !report->table.SaveToCSV(csv->second))
        return Fail("report: cannot write " + csv->second);
    if (pdf != arguments.options.end()) {
#if KESTRANO_CLI_HAS_PDF
        if (!WriteReportPDF(*report, pdf->second, error))
            return Fail("report: " + error);
#else
        return Fail("report: this build has no PDF output");
#endif
    }
    return kExitOK;
}

// The name a field is known by in a header line: without the "(required) " in front.
std::string FieldHeaderName(const std::string& fieldName)
{
    constexpr std::string_view kRequired = "(required) ";
    return fieldName.starts_with(kRequired) ? fieldName.substr(kRequired.size()) : fieldName;
}

int CommandImport(int argc, char* argv[])
{
    Arguments arguments;
    std::string error;
    if (!ParseArguments(argc, argv, {"-o", "--start-row", "--map"}, arguments, error))
        return Fail("import: " + error);
    if (arguments.plain.size() != 3 || !arguments.options.contains("-o"))
        return Fail("import: give KIND FILE.qpp DATA.csv -o OUT.qpp (see kestrano-cli --help)");
    const std::map<std::string, eImportCSVKind> kinds = {{"tasks", eImportCSVKind::task},
                                                         {"resources", eImportCSVKind::resource},
                                                         {"schedules", eImportCSVKind::schedule}};
    const auto kind = kinds.find(arguments.plain[0]);
    if (kind == kinds.end())
        return Fail("import: KIND is tasks, resources or schedules, not \"" + arguments.plain[0] +
                    "\"");
    const std::string& file = arguments.plain[1];
    const std::string& data = arguments.plain[2];
    const std::string& target = arguments.options["-o"];

    QPProject project;
    if (project.ProjectLoad(file) != 0)
        return Fail("import: " + file + " is missing, locked or not a Kestrano project file");
    std::unique_ptr<LProcessImportCSV> import = QPMakeImportCSV(kind->second, project);
    if (const QPFormOutcome refused = import->SetFilePath(data))
        return Fail("import: " + data + ": " + refused->message);
    if (const auto startRow = arguments.options.find("--start-row");
        startRow != arguments.options.end())
        if (const QPFormOutcome refused = import->SetStartRowText(startRow->second))
            return Fail("import: " + refused->message);

    const std::vector<std::string> headers = import->ReadHeaderCells();
    const std::vector<LCSVField>& fields = import->Fields();
    bool mapped = false;
    for (const auto& [option, value] : arguments.all) {
        if (option != "--map")
            continue;
        mapped = true;
        const std::size_t equals = value.find('=');
        if (equals == std::string::npos)
            return Fail("import: --map takes \"FIELD=COLUMN HEADER\", not \"" + value + "\"");
        const std::string fieldName = value.substr(0, equals);
        const std::string header = value.substr(equals + 1);
        const auto field = std::find_if(fields.begin(), fields.end(), [&](const LCSVField& f) {
            return f.name == fieldName || FieldHeaderName(f.name) == fieldName;
        });
        if (field == fields.end()) {
            std::string known;
            for (const LCSVField& f : fields)
                known += (known.empty() ? "" : ", ") + FieldHeaderName(f.name);
            return Fail("import: there is no field \"" + fieldName + "\" (fields: " + known + ")");
        }
        if (std::find(headers.begin(), headers.end(), header) == headers.end())
            return Fail("import: " + data + " has no column headed \"" + header + "\"");
        import->AssignField(int(field - fields.begin()), header, headers);
    }
    if (!mapped)
        for (std::size_t field = 0; field < fields.size(); ++field)
            import->AssignField(int(field), FieldHeaderName(fields[field].name), headers);
    if (const QPFormOutcome refused = import->CheckAssignments())
        return Fail("import: " + refused->message);

    int result = 0;
    {
        LConsoleProcess process(QPImportCSVKind(kind->second).wizardTitle);
        project.UndoRedoGroupStart();
        result = Process(process, *import);
        project.UndoRedoGroupEnd();
    }
    for (const std::string& line : import->ResultLines())
        std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    if (result == eProcessCancelled) {
        std::fprintf(stderr, "kestrano-cli: import: interrupted; %s was not written\n",
                     target.c_str());
        return kExitInterrupted;
    }
    if (result != eProcessSucceeded)
        return Fail("import: " + data + " could not be read; " + target + " was not written");
    if (kind->second == eImportCSVKind::task && import->SuccessfulImports() > 0) {
        project.AutoScheduleTasks();
        project.CalculateEndDateByTasks();
    }
    if (StopsBeforeWriting("import", target + " was not written"))
        return kExitInterrupted;
    if (project.ProjectSave(target) != 0)
        return Fail("import: cannot write " + target);
    return kExitOK;
}

int CommandImportXml(int argc, char* argv[])
{
    Arguments arguments;
    std::string error;
    if (!ParseArguments(argc, argv, {"-o"}, arguments, error))
        return Fail("import-xml: " + error);
    if (arguments.plain.size() != 1 || !arguments.options.contains("-o"))
        return Fail("import-xml: give FILE.xml -o OUT.qpp (see kestrano-cli --help)");
    const std::string& data = arguments.plain[0];
    const std::string& target = arguments.options["-o"];

    QPProject project;
    QPProjectXmlImport import(project);
    if (const QPFormOutcome refused = import.SetFilePath(data))
        return Fail("import-xml: " + data + ": " + refused->message);
    int result = 0;
    {
        // A refused file is reported by the process, on one line of its own.
        LConsoleProcess process("kestrano-cli: import-xml");
        project.UndoRedoGroupStart();
        result = Process(process, import);
        project.UndoRedoGroupEnd();
        // Ctrl-C while the elements went in: the import finished, but nothing is written.
        if (result == eProcessSucceeded && process.IsToStop())
            result = eProcessCancelled;
    }
    if (result == eProcessCancelled) {
        std::fprintf(stderr, "kestrano-cli: import-xml: interrupted; %s was not written\n",
                     target.c_str());
        return kExitInterrupted;
    }
    if (result != eProcessSucceeded)
        return kExitFailed;
    for (const std::string& line : import.ResultLines())
        std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    project.AutoScheduleTasks();
    project.CalculateEndDateByTasks();
    if (StopsBeforeWriting("import-xml", target + " was not written"))
        return kExitInterrupted;
    if (project.ProjectSave(target) != 0)
        return Fail("import-xml: cannot write " + target);
    return kExitOK;
}

// A baseline ID as dump lists it: a whole number and nothing else.
std::optional<int32_t> ParseBaselineID(const std::string& text)
{
    int32_t id = 0;
    const char* end = text.data() + text.size();
    const auto [at, problem] = std::from_chars(text.data(), end, id);
    if (problem != std::errc() || at != end)
        return std::nullopt;
    return id;
}

int CommandBaseline(int argc, char* argv[])
{
    const std::string action = argc > 2 ? argv[2] : "";
    const std::string command = "baseline " + action;
    if (action != "add" && action != "delete" && action != "compare")
        return Fail("baseline: give add, delete or compare (see kestrano-cli --help)");
    Arguments arguments;
    std::string error;
    const std::vector<std::string> known =
            action == "compare" ? std::vector<std::string>{"-o"} : std::vector<std::string>{};
    if (!ParseArguments(argc, argv, known, arguments, error, 3))
        return Fail(command + ": " + error);
    const auto out = arguments.options.find("-o");
    if (arguments.plain.size() != 2 || (action == "compare" && out == arguments.options.end()))
        return Fail(command + ": give " +
                    (action == "add"      ? "a name and one project file"
                     : action == "delete" ? "a baseline ID and one project file"
                                          : "a baseline ID, one project file and -o OUT.pdf") +
                    " (see kestrano-cli --help)");
    const std::string& file = arguments.plain[1];
    QPProject project;
    if (project.ProjectLoad(file) != 0)
        return Fail(command + ": " + file + " is missing, locked or not a Kestrano project file");

    if (action == "add") {
        // The same refusals, in the same order, as the desktop program's command.
        if (project.tasks.empty())
            return Fail(command + ": Project \"" + project.name.str() +
                        "\" does not contain a task -- no baseline may be created.");
        if (project.baselines.size() >= QPProject::kMaxBaselines)
            return Fail(command + ": Kestrano supports only " +
                        std::to_string(QPProject::kMaxBaselines) +
                        " baselines per project. A baseline must be deleted before a new one "
                        "may be created.");
        if (const QPFormOutcome refused =
                    QPBaselineRules::CheckNewName(project, arguments.plain[0]))
            return Fail(command + ": " + refused->message);
        // The window keeps its plan recalculated, so a baseline made there holds computed
        // dates; one made here must too.
        project.AutoScheduleTasks();
        project.CalculateEndDateByTasks();
        const QPBaseline* added =
                project.BaselineAdd(QPBaselineRules::NewBaselineName(arguments.plain[0]));
        if (StopsBeforeWriting(command, file + " was not written"))
            return kExitInterrupted;
        if (project.ProjectSave(file) != 0)
            return Fail(command + ": cannot write " + file);
        std::printf("%d\n", added->id);
        return kExitOK;
    }

    const std::optional<int32_t> id = ParseBaselineID(arguments.plain[0]);
    if (!id)
        return Fail(command + ": \"" + arguments.plain[0] + "\" is not a baseline ID");
    const QPBaseline* baseline = project.GetBaseline(*id);
    if (!baseline)
        return Fail(command + ": " + file + " has no baseline with ID " + std::to_string(*id));

    if (action == "delete") {
        project.BaselineDelete(*id);
        if (StopsBeforeWriting(command, file + " was not written"))
            return kExitInterrupted;
        if (project.ProjectSave(file) != 0)
            return Fail(command + ": cannot write " + file);
        return kExitOK;
    }

    project.AutoScheduleTasks();
    project.CalculateEndDateByTasks();
#if KESTRANO_CLI_HAS_PDF
    if (StopsBeforeWriting(command, out->second + " was not written"))
        return kExitInterrupted;
    if (!WriteBaselineComparisonPDF(project, *baseline, out->second, error))
        return Fail(command + ": " + error);
    return kExitOK;
#else
    return Fail(command + ": this kestrano-cli was built without PDF output");
#endif
}

int CommandUpdates(int argc, char* argv[])
{
    // "--dry-run" is a switch without a value; the other arguments are plain.
    bool dryRun = false;
    std::vector<std::string> plain;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--dry-run")
            dryRun = true;
        else if (argument.size() > 1 && argument[0] == '-')
            return Fail("updates: unknown option " + argument);
        else
            plain.push_back(argument);
    }
    if (plain.size() != 2 || (plain[0] != "task" && plain[0] != "project"))
        return Fail("updates: give task or project and one project file (see kestrano-cli --help)");
    const std::string& file = plain[1];
    QPProject project;
    if (project.ProjectLoad(file) != 0)
        return Fail("updates: " + file + " is missing, locked or not a Kestrano project file");
    project.AutoScheduleTasks();
    project.CalculateEndDateByTasks();
#if KESTRANO_CLI_HAS_PDF
    if (gInterrupted) {
        std::fputs("kestrano-cli: updates: interrupted; nothing was sent\n", stderr);
        return kExitInterrupted;
    }
    bool stateTaken = false;
    std::string error;
    const int result =
            RunStatusUpdates(project, plain[0] == "task", dryRun, stdout, stateTaken, error);
    std::fflush(stdout);
    if (!error.empty())
        return Fail("updates: " + error);
    // The next run reports what changed from here on, so the state is kept in the file,
    // even when Ctrl-C came after the last message went out.
    if (stateTaken && project.ProjectSave(file) != 0)
        return Fail("updates: the updates were sent, but " + file + " could not be saved");
    if (result == eProcessCancelled)
        return kExitInterrupted;
    return result == eProcessSucceeded ? kExitOK : kExitFailed;
#else
    (void)dryRun;
    return Fail("updates: this kestrano-cli was built without mail and PDF output");
#endif
}

} // namespace

int main(int argc, char* argv[])
{
    LDateTime::InitializeLocalTime();
    CatchInterrupt();
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return kExitFailed;
    }
    const std::string_view command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return kExitOK;
    }
    if (command == "--version") {
        std::printf("kestrano-cli %s\n", kKestranoVersion);
        return kExitOK;
    }
    if (command == "new")
        return CommandNew(argc, argv);
    if (command == "dump")
        return CommandDump(argc, argv);
    if (command == "export-xml")
        return CommandExportXml(argc, argv);
    if (command == "check")
        return CommandCheck(argc, argv);
    if (command == "recalc")
        return CommandRecalc(argc, argv);
    if (command == "from-json")
        return CommandFromJson(argc, argv);
    if (command == "gantt")
        return CommandGantt(argc, argv);
    if (command == "report")
        return CommandReport(argc, argv);
    if (command == "import")
        return CommandImport(argc, argv);
    if (command == "import-xml")
        return CommandImportXml(argc, argv);
    if (command == "baseline")
        return CommandBaseline(argc, argv);
    if (command == "updates")
        return CommandUpdates(argc, argv);
    return Fail("unknown command \"" + std::string(command) + "\" (see kestrano-cli --help)");
}
