// The project file: the project record, the options record, baselines, and saving and
// loading whole projects. Also the container's operations that restore elements from
// their images for undo and redo.

#include "fileformat/LSDFReader.h"
#include "fileformat/LSDFWriter.h"
#include "fileformat/QPElementImages.h"
#include "fileformat/QPFileTags.h"
#include "framework/LFiles.h"
#include "model/QPProject.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// ---------------------------------------------------------------------------------------
// Options record

void QPProjectOptions::OptionsSave(LSDFWriter& writer)
{
    writer.WriteString(eTagOptionsCurrencyCode, currencyCode);
    writer.WriteString(eTagOptionsCurrencySymbol, currencySymbol);
    writer.WriteString(eTagOptionsCurrencyName, currencyName);
    writer.WriteString(eTagOptionsDecimalSymbol, decimalSymbol);
    writer.WriteString(eTagOptionsThousandsSymbol, thousandsSymbol);
    writer.WriteInt(eTagOptionsDateSeparator, static_cast<unsigned char>(dateSeparator));
    writer.WriteInt(eTagOptionsCurrencyPosition, currencyPosition);
    writer.WriteInt(eTagOptionsCurrencyDigits, currencyDigits);
    writer.WriteInt(eTagOptionsDateFormat, dateFormat);
    writer.WriteInt(eTagOptionsDateOrder, dateOrder);
    changed = false;
}

void QPProjectOptions::OptionsLoad(LSDFReader& reader, const LSDFReaderChunk& chunk)
{
    for (LSDFReaderChunkIterator it(reader, chunk); it.IsValid(); it.Next()) {
        const LSDFReaderChunk& child = it.Current();
        switch (child.tag) {
        case eTagOptionsCurrencyCode:
            child.ReadString(currencyCode);
            break;
        case eTagOptionsCurrencySymbol:
            child.ReadString(currencySymbol);
            break;
        case eTagOptionsCurrencyName:
            child.ReadString(currencyName);
            break;
        case eTagOptionsDecimalSymbol:
            child.ReadString(decimalSymbol);
            break;
        case eTagOptionsThousandsSymbol:
            child.ReadString(thousandsSymbol);
            break;
        case eTagOptionsDateSeparator: {
            int32_t code = 0;
            if (child.ReadInt(code))
                dateSeparator = static_cast<char>(code);
            break;
        }
        case eTagOptionsCurrencyPosition:
            child.ReadInt(currencyPosition);
            break;
        case eTagOptionsCurrencyDigits:
            child.ReadInt(currencyDigits);
            break;
        case eTagOptionsDateFormat:
            child.ReadInt(dateFormat);
            break;
        case eTagOptionsDateOrder:
            child.ReadInt(dateOrder);
            break;
        default:
            break;
        }
    }
    changed = false;
}

// ---------------------------------------------------------------------------------------
// Project record

namespace {

// The project's dates keep only their day: "YYYY-MM-DD", empty when unset.
void WriteDate(LSDFWriter& writer, uint16_t tag, LDateTime value)
{
    std::string date;
    std::string time;
    value.GetDateTime(date, time);
    writer.WriteString(tag, date);
}

void ReadDate(const LSDFReaderChunk& chunk, LDateTime& value)
{
    LFixedText text;
    if (!chunk.ReadString(text))
        return;
    LDateTime read;
    if (read.SetDateTime(text, ""))
        value = read;
}

template <class T>
void WriteElements(LSDFWriter& writer, uint16_t tag, const QPElementList<T>& list)
{
    for (const T& element : list) {
        writer.StartChunk(tag);
        element.WriteSDF(writer);
        writer.EndChunk(tag);
    }
}

} // namespace

void QPProjectBase::WriteSDF(LSDFWriter& writer) const
{
    writer.WriteString(eTagProjectName, name);
    writer.WriteInt64(eTagProjectLastKey, lastKey);
    writer.WriteInt64(eTagProjectDefaultScheduleKey, defaultScheduleKey);
    WriteDate(writer, eTagProjectStart, projectStart);
    WriteDate(writer, eTagProjectFinish, projectFinish);
    WriteDate(writer, eTagProjectDeadline, projectDeadline);
    WriteElements(writer, eTagTask, tasks);
    WriteElements(writer, eTagResource, resources);
    WriteElements(writer, eTagSchedule, schedules);
}

void QPProjectBase::ReadSDF(LSDFReader& reader, const LSDFReaderChunk& chunk)
{
    LSDFReaderChunkIterator fields(reader, chunk);
    ReadSDFFields(reader, fields);
}

void QPProjectBase::ReadSDFFields(LSDFReader& reader, LSDFReaderChunkIterator& fields)
{
    for (; fields.IsValid(); fields.Next()) {
        const LSDFReaderChunk& child = fields.Current();
        // An element whose record the file cuts short is left out rather than added half
        // read; everything before it stays.
        const bool isElement =
                child.tag == eTagTask || child.tag == eTagResource || child.tag == eTagSchedule;
        if (isElement && child.size > reader.GetStream().Remaining())
            return;
        switch (child.tag) {
        case eTagProjectName:
            child.ReadString(name);
            break;
        case eTagProjectLastKey:
            child.ReadInt64(lastKey);
            break;
        case eTagProjectDefaultScheduleKey:
            child.ReadInt64(defaultScheduleKey);
            break;
        case eTagProjectDefaultScheduleID: {
            int32_t id = 0;
            if (child.ReadInt(id))
                defaultScheduleKey = id;
            break;
        }
        case eTagProjectStart:
            ReadDate(child, projectStart);
            break;
        case eTagProjectFinish:
            ReadDate(child, projectFinish);
            break;
        case eTagProjectDeadline:
            ReadDate(child, projectDeadline);
            break;
        case eTagTask: {
            auto task = std::make_unique<QPTask>();
            task->ReadSDF(reader, child);
            ElementInsertLoaded(std::move(task));
            break;
        }
        case eTagResource: {
            auto resource = std::make_unique<QPResource>();
            resource->ReadSDF(reader, child);
            ElementInsertLoaded(std::move(resource));
            break;
        }
        case eTagSchedule: {
            auto schedule = std::make_unique<QPSchedule>();
            schedule->ReadSDF(reader, child);
            ElementInsertLoaded(std::move(schedule));
            break;
        }
        case eTagOptions:
            options.OptionsLoad(reader, child);
            break;
        default:
            break;
        }
    }
}

// ---------------------------------------------------------------------------------------
// Restoring elements

template <class T>
T& QPProjectBase::ElementInsertLoaded(std::unique_ptr<T> element)
{
    return ListOf<T>().Insert(std::move(element));
}

template <class T>
T* QPProjectBase::ElementAddFromSDF(const LByteArray& image)
{
    auto element = std::make_unique<T>();
    if (!element->ReadSDF(image))
        return nullptr;
    return &ElementAddRestored(std::move(element));
}

template <class T>
T* QPProjectBase::ElementAddFromSDF(const LByteArray& image, const LByteArray& associations)
{
    T* element = ElementAddFromSDF<T>(image);
    if (element)
        ElementAssociationsAddFromSDF(associations, element->key);
    return element;
}

template <class T>
bool QPProjectBase::ElementEditFromSDF(int32_t id, const LByteArray& image)
{
    QPElementList<T>& list = ListOf<T>();
    T* element = list.GetElement(id);
    if (!element)
        return false;
    // Read into a copy first, so that an unreadable image leaves the element as it was.
    T edited(*element);
    if (!edited.ReadSDF(image))
        return false;
    *element = std::move(edited);
    list.KeysChanged();
    return true;
}

void QPProjectBase::ElementAssociationsAddFromSDF(const LByteArray& associations,
                                                  int64_t scheduleKey)
{
    QPAssociationRecord record;
    if (QPReadAssociationImage(associations, record))
        ElementAssociationsAdd(record, scheduleKey);
}

template QPTask& QPProjectBase::ElementInsertLoaded<QPTask>(std::unique_ptr<QPTask>);
template QPResource& QPProjectBase::ElementInsertLoaded<QPResource>(std::unique_ptr<QPResource>);
template QPSchedule& QPProjectBase::ElementInsertLoaded<QPSchedule>(std::unique_ptr<QPSchedule>);
template QPTask* QPProjectBase::ElementAddFromSDF<QPTask>(const LByteArray&);
template QPResource* QPProjectBase::ElementAddFromSDF<QPResource>(const LByteArray&);
template QPSchedule* QPProjectBase::ElementAddFromSDF<QPSchedule>(const LByteArray&);
template QPTask* QPProjectBase::ElementAddFromSDF<QPTask>(const LByteArray&, const LByteArray&);
template QPResource* QPProjectBase::ElementAddFromSDF<QPResource>(const LByteArray&,
                                                                  const LByteArray&);
template QPSchedule* QPProjectBase::ElementAddFromSDF<QPSchedule>(const LByteArray&,
                                                                  const LByteArray&);
template bool QPProjectBase::ElementEditFromSDF<QPTask>(int32_t, const LByteArray&);
template bool QPProjectBase::ElementEditFromSDF<QPResource>(int32_t, const LByteArray&);
template bool QPProjectBase::ElementEditFromSDF<QPSchedule>(int32_t, const LByteArray&);

// ---------------------------------------------------------------------------------------
// Whole projects

namespace {

void WriteBaseline(LSDFWriter& writer, uint16_t tag, const QPBaseline& baseline)
{
    writer.StartChunk(tag);
    writer.StartChunk(eTagProject);
    baseline.WriteSDF(writer);
    writer.EndChunk(eTagProject);
    writer.WriteInt(eTagBaselineID, baseline.id);
    writer.EndChunk(tag);
}

std::unique_ptr<QPBaseline> ReadBaseline(LSDFReader& reader, const LSDFReaderChunk& chunk)
{
    auto baseline = std::make_unique<QPBaseline>();
    for (LSDFReaderChunkIterator it(reader, chunk); it.IsValid(); it.Next()) {
        if (it.Tag() == eTagProject)
            baseline->ReadSDF(reader, it.Current());
        else if (it.Tag() == eTagBaselineID)
            it.Current().ReadInt(baseline->id);
    }
    return baseline;
}

// An input file that holds a shared lock while it is read and closes itself.
class LockedInputFile : public LInputStreamFile {
public:
    explicit LockedInputFile(int fd) : LInputStreamFile(fd), fd_(fd) {}
    ~LockedInputFile() override { close(fd_); }
    LockedInputFile(const LockedInputFile&) = delete;
    LockedInputFile& operator=(const LockedInputFile&) = delete;

private:
    int fd_;
};

// Descriptors closed on every way out.
struct FileDescriptor {
    int fd = -1;
    ~FileDescriptor()
    {
        if (fd >= 0)
            close(fd);
    }
};

} // namespace

bool QPProject::WriteProject(LSDFWriter& writer)
{
    writer.StartChunk(eTagProject);
    WriteSDF(writer);
    writer.EndChunk(eTagProject);
    writer.StartChunk(eTagOptions);
    options.OptionsSave(writer);
    writer.EndChunk(eTagOptions);
    for (const auto& baseline : baselines)
        WriteBaseline(writer, eTagBaseline, *baseline);
    if (lastTaskUpdateState)
        WriteBaseline(writer, eTagLastTaskUpdate, *lastTaskUpdateState);
    return writer.IsOk();
}

LByteArray QPProject::ProjectSaveToBytes()
{
    LByteArray bytes;
    LOutputStreamByteArray stream(bytes);
    LSDFWriter writer;
    if (writer.Open(stream, kProjectFileType, kProjectFileVersion))
        WriteProject(writer);
    writer.Close();
    return bytes;
}

int QPProject::ProjectSave(const std::string& path)
{
    // Replace the file a symbolic link points to, not the link.
    const std::string target = LResolvedPath(path);

    // The lock rule: a project file that another program holds locked is left alone.
    FileDescriptor existing;
    existing.fd = open(target.c_str(), O_RDWR | O_CLOEXEC);
    struct stat targetInfo {};
    if (existing.fd >= 0) {
        if (flock(existing.fd, LOCK_EX | LOCK_NB) != 0 || fstat(existing.fd, &targetInfo) != 0)
            return 2;
    } else if (errno != ENOENT) {
        return 2;
    }

    // Write the whole project beside the target and put it in place only when it is
    // complete and on disk, so that no failure can leave a damaged or half-written file.
    const int existingMode = existing.fd >= 0 ? static_cast<int>(targetInfo.st_mode & 07777) : -1;
    const bool saved = LReplaceFile(target, existingMode, [this](int fd) {
        LOutputStreamFile stream(fd);
        LSDFWriter writer;
        const bool written =
                writer.Open(stream, kProjectFileType, kProjectFileVersion) && WriteProject(writer);
        const bool closed = writer.Close();
        return written && closed && stream.Flush();
    });
    if (!saved)
        return 2;

    undoStack.MarkCurrentStateAsSaved();
    dirty = false;
    return 0;
}

template <class Open>
int QPProject::LoadFrom(Open open)
{
    ProjectReset(false);
    std::unique_ptr<LInputStream> stream = open();
    if (!stream)
        return 2;
    LSDFReader reader;
    if (reader.Open(*stream, kProjectFileType)) {
        for (LSDFReaderChunkIterator it(reader); it.IsValid(); it.Next()) {
            switch (it.Tag()) {
            case eTagProject:
                ReadSDF(reader, it.Current());
                break;
            case eTagOptions:
                options.OptionsLoad(reader, it.Current());
                break;
            case eTagBaseline: {
                std::unique_ptr<QPBaseline> baseline = ReadBaseline(reader, it.Current());
                const auto at =
                        std::upper_bound(baselines.begin(), baselines.end(), baseline->id,
                                         [](int32_t id, const std::unique_ptr<QPBaseline>& b) {
                                             return id < b->id;
                                         });
                baselines.insert(at, std::move(baseline));
                break;
            }
            case eTagLastTaskUpdate:
                lastTaskUpdateState = ReadBaseline(reader, it.Current());
                break;
            default:
                break;
            }
        }
    } else {
        // The older layout: the root holds the project record's fields, and no baselines.
        stream = open();
        if (!stream || !reader.Open(*stream, kProjectFileTypeOld))
            return 2;
        LSDFReaderChunkIterator fields(reader);
        ReadSDFFields(reader, fields);
    }
    const uint16_t fileVersion = reader.GetFileVersion();
    reader.Close(); // a lost trailer does not stop a file from loading
    undoStack.MarkCurrentStateAsSaved();
    dirty = false;

    // Keys are repaired, older files' ID references turned into keys, and IDs made 1 to n
    // again where a damaged file left gaps or doubles; in baselines as much as in the
    // project, since comparisons follow the same references.
    auto repair = [fileVersion](QPProjectBase& project) {
        project.ValidateElementKeys();
        if (fileVersion < kProjectFileVersion)
            project.ConvertIDAssociationsToKeys();
        project.RepairElementIDs();
    };
    repair(*this);
    for (auto& baseline : baselines)
        repair(*baseline);
    if (lastTaskUpdateState)
        repair(*lastTaskUpdateState);
    return 0;
}

int QPProject::ProjectLoad(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return 2;
    return LoadFrom([&path]() -> std::unique_ptr<LInputStream> {
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return nullptr;
        if (flock(fd, LOCK_SH | LOCK_NB) != 0) {
            close(fd);
            return nullptr;
        }
        return std::make_unique<LockedInputFile>(fd);
    });
}

int QPProject::ProjectLoadFromBytes(const LByteArray& bytes)
{
    return LoadFrom([&bytes]() -> std::unique_ptr<LInputStream> {
        return std::make_unique<LInputStreamBuffer>(bytes);
    });
}
