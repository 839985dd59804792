#pragma once

#include <QWidget>

#include <cstdint>
#include <memory>
#include <utility>

class LUserPrompts;
class QPProject;
class QPResource;
class QPSchedule;
class QPTask;

// What an editor edits: an element of the project, or a new element (id -1, key -1) that
// lives only in the editor until the user accepts it (the main window adds it) or cancels
// (it is destroyed).
template <class T>
class QPEditTarget {
public:
    static QPEditTarget Existing(T& element)
    {
        QPEditTarget target;
        target.element_ = &element;
        return target;
    }
    static QPEditTarget New(std::unique_ptr<T> element)
    {
        QPEditTarget target;
        target.element_ = element.get();
        target.created_ = std::move(element);
        return target;
    }

    T& Element() const { return *element_; }
    bool IsNew() const { return created_ != nullptr; }
    // Hands a new element over with the editor's message; empty for an existing one.
    std::unique_ptr<T> TakeCreated() { return std::move(created_); }

private:
    T* element_ = nullptr;
    std::unique_ptr<T> created_;
};

// The main window as the editors see it. The messages: 4101 the task editor accepted its
// task, 4102 it was cancelled; 4201 and 4202 for resources; 4301 and 4302 for schedules.
// `created` holds the element when it is new: the window adds it on acceptance and lets it
// go on cancel. For an element of the project it is empty.
class QPEditPanelHost {
public:
    virtual void EvInterWinMessage(int message, QPTask& task, std::unique_ptr<QPTask> created) = 0;
    virtual void EvInterWinMessage(int message, QPResource& resource,
                                   std::unique_ptr<QPResource> created) = 0;
    virtual void EvInterWinMessage(int message, QPSchedule& schedule,
                                   std::unique_ptr<QPSchedule> created) = 0;

protected:
    ~QPEditPanelHost() = default;
};

// An element editor embedded in the main window beside the lists. The window owns the OK,
// Cancel and Help buttons under it and calls these operations for them; at most one panel
// is open at a time.
class QPEditPanel : public QWidget {
    Q_OBJECT

public:
    QPEditPanel(QPProject& project, QPEditPanelHost& host, LUserPrompts& prompts,
                QWidget* parent = nullptr)
        : QWidget(parent), project_(project), host_(host), prompts_(prompts)
    {}

    // Validates the input and applies it, reporting the element to the host; false keeps
    // the panel open, after the editor has shown the first refusal on its field.
    virtual bool CmOk() = 0;
    // Sends the "cancelled" message; true lets the panel close.
    virtual bool CmCancel() = 0;
    // Refills the editor's choices after the project changed under it (elements deleted).
    virtual void ProjectUpdate() = 0;
    // The help page of the editor: "taskdialog", "resourcedialog" or "scheduledialog".
    virtual const char* HelpTopic() const = 0;

    // The key of the task before which a new task is inserted, -1 unless "Insert Task..."
    // opened the editor. A key, because tasks may be moved or deleted while it is open.
    int64_t insertBeforeKey = -1;

protected:
    QPProject& project_;
    QPEditPanelHost& host_;
    LUserPrompts& prompts_;
};
