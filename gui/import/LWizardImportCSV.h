#pragma once

#include "framework/LProcessInterface.h"

#include <QWizard>
#include <QWizardPage>

#include <string>
#include <string_view>
#include <vector>

class LProcessImportCSV;
class LSettingsStore;
class LUserPrompts;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// Reads the rows of `import` under the progress window "Importing Tasks" (the same title
// for every kind of element) over `parent`, and returns once the window is gone: 1 when
// the user cancelled (the rows read before stay imported), otherwise 0.
LProcessResult ImportProcessRun(QWidget* parent, LProcessImportCSV& import, LUserPrompts& prompts);

// First page: the fields the import can fill, and the file to read. Going on needs a file
// that exists.
class LWizardPageCSVIntro : public QWizardPage {
    Q_OBJECT

public:
    LWizardPageCSVIntro(LProcessImportCSV& import, LUserPrompts& prompts,
                        const LSettingsStore& settings, std::string documentsFolder);

    bool validatePage() override;

    QTreeWidget& FieldList() const { return *fields_; }
    QLineEdit& PathEdit() const { return *path_; }
    QPushButton& BrowseButton() const { return *browse_; }

private:
    void Browse();

    LProcessImportCSV& import_;
    LUserPrompts& prompts_;
    std::string documentsFolder_;
    QTreeWidget* fields_ = nullptr;
    QLineEdit* path_ = nullptr;
    QPushButton* browse_ = nullptr;
};

// Second page: which column of the file feeds each field, and the first row that holds
// data. The mapping stored for this kind of import is offered again; "Import" checks the
// mapping, stores it, and reads the file.
class LWizardPageCSVMatch : public QWizardPage {
    Q_OBJECT

public:
    LWizardPageCSVMatch(LProcessImportCSV& import, const std::string& fieldListTitle,
                        LUserPrompts& prompts, LSettingsStore& settings);

    // Reads the file's header line and shows the stored mapping for it.
    void initializePage() override;
    bool validatePage() override;

    // Chooses `headerText` (or "Click to assign") for the field in row `fieldIndex`, as
    // picking it in the row's combo does.
    void AssignField(int fieldIndex, const QString& headerText);
    // The header texts of the file, in column order.
    const std::vector<std::string>& HeaderCells() const { return headers_; }
    // True once the rows have been read.
    bool ImportRan() const { return importRan_; }

    QTreeWidget& MatchList() const { return *matches_; }
    QLineEdit& StartRowEdit() const { return *startRow_; }

private:
    void ShowAssignment(int fieldIndex);
    void EditAssignment(QTreeWidgetItem* item);

    LProcessImportCSV& import_;
    LUserPrompts& prompts_;
    LSettingsStore& settings_;
    std::vector<std::string> headers_;
    QTreeWidget* matches_ = nullptr;
    QLineEdit* startRow_ = nullptr;
    bool importRan_ = false;
};

// Last page: how many rows were imported and failed, and why each one failed. There is
// no way back: the rows are in the project.
class LWizardPageCSVResults : public QWizardPage {
    Q_OBJECT

public:
    explicit LWizardPageCSVResults(const LProcessImportCSV& import);

    void initializePage() override;

    QListWidget& ResultList() const { return *results_; }

private:
    const LProcessImportCSV& import_;
    QListWidget* results_ = nullptr;
};

// The import of one kind of element from a CSV file, in three pages: choose the file,
// match the fields to its columns, see the results. The wizard only fills in `import`
// and shows its refusals; the checks and the reading are the import's own.
class LWizardImportCSV : public QWizard {
    Q_OBJECT

public:
    enum { kPageIntro, kPageMatch, kPageResults };

    // `fieldListTitle` heads the field column of the match page ("Kestrano Task Fields");
    // the file panel opens in `documentsFolder` while no file has been chosen.
    LWizardImportCSV(LProcessImportCSV& import, std::string fieldListTitle, LUserPrompts& prompts,
                     LSettingsStore& settings, std::string documentsFolder = {});
    ~LWizardImportCSV() override;

    // Shows the wizard titled `wizardTitle` ("Import Tasks") modally over `parent` until
    // the user closes it. True when the rows were read, whatever their outcome. The wizard
    // becomes a child of `parent`, which must outlive it (as the caller's window does).
    bool Open(QWidget* parent, std::string_view wizardTitle);

    LWizardPageCSVIntro& IntroPage() const { return *intro_; }
    LWizardPageCSVMatch& MatchPage() const { return *match_; }
    LWizardPageCSVResults& ResultsPage() const { return *results_; }
    bool ImportRan() const { return match_->ImportRan(); }

private:
    void ShowStep(int pageId);

    LWizardPageCSVIntro* intro_ = nullptr;
    LWizardPageCSVMatch* match_ = nullptr;
    LWizardPageCSVResults* results_ = nullptr;
    std::vector<QLabel*> steps_;
};
