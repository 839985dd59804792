#include "import/LWizardImportCSV.h"

#include "dialogs/QPDialogFields.h"
#include "framework/LFiles.h"
#include "framework/LProcessDialog.h"
#include "framework/LUserPrompts.h"
#include "import/LProcessImportCSV.h"

#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {

// Every kind of element is read under the same progress title.
constexpr const char* kImportProgressTitle = "Importing Tasks";

constexpr std::array<const char*, 3> kStepNames = {"Select CSV for Import", "Match Data Fields",
                                                   "CSV Import Results"};

QTreeWidget* MakeList(const QStringList& headings, QWidget* parent)
{
    auto* list = new QTreeWidget(parent);
    list->setColumnCount(static_cast<int>(headings.size()));
    list->setHeaderLabels(headings);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAlternatingRowColors(true);
    list->header()->setSectionsMovable(false);
    return list;
}

// The assignment cell of the match page: a click opens the choice of "Click to assign"
// and the file's header texts at once, and picking one applies it without another click.
class AssignmentDelegate : public QStyledItemDelegate {
public:
    explicit AssignmentDelegate(LWizardPageCSVMatch& page)
        : QStyledItemDelegate(&page), page_(page), editorHeight_(QComboBox().sizeHint().height())
    {}

    // Rows as tall as the combo, so that opening it does not squeeze it.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), editorHeight_));
        return size;
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& /*option*/,
                          const QModelIndex& /*index*/) const override
    {
        auto* combo = new QComboBox(parent);
        combo->addItem(QString::fromUtf8(kImportCSVUnassigned));
        for (const std::string& header : page_.HeaderCells())
            combo->addItem(QPFromUtf8(header));
        // The delegate's signals are how an editor hands its value back to the view.
        auto* self = const_cast<AssignmentDelegate*>(this);
        connect(combo, &QComboBox::activated, self, [self, combo] {
            emit self->commitData(combo);
            emit self->closeEditor(combo);
        });
        QTimer::singleShot(0, combo, [combo] { combo->showPopup(); });
        return combo;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        // By position, not by text: two columns may carry the same header.
        static_cast<QComboBox*>(editor)->setCurrentIndex(index.data(Qt::UserRole).toInt() + 1);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* /*model*/,
                      const QModelIndex& index) const override
    {
        auto* combo = static_cast<QComboBox*>(editor);
        // Leaving the cell without choosing commits as well; that must not move a field
        // from a stored column to an earlier one with the same header.
        if (combo->currentIndex() - 1 == index.data(Qt::UserRole).toInt())
            return;
        page_.AssignField(index.row(), combo->currentText());
    }

private:
    LWizardPageCSVMatch& page_;
    int editorHeight_;
};

} // namespace

LProcessResult ImportProcessRun(QWidget* parent, LProcessImportCSV& import, LUserPrompts& prompts)
{
    return ProcessRunAsDialog(parent, kImportProgressTitle, import, prompts);
}

// ---------------------------------------------------------------------------------------
// Choosing the file

LWizardPageCSVIntro::LWizardPageCSVIntro(LProcessImportCSV& import, LUserPrompts& prompts,
                                         const LSettingsStore& settings,
                                         std::string documentsFolder)
    : import_(import), prompts_(prompts), documentsFolder_(std::move(documentsFolder))
{
    setTitle(QStringLiteral("CSV Import"));

    auto* explanation = new QLabel(
            QStringLiteral("Choose a file of comma-separated values. On the next page each of "
                           "these fields is matched to one of the file's columns."),
            this);
    explanation->setWordWrap(true);

    fields_ = MakeList({QStringLiteral("Kestrano Data Fields")}, this);
    fields_->setSelectionMode(QAbstractItemView::NoSelection);
    fields_->setFocusPolicy(Qt::NoFocus);
    for (const LCSVField& field : import.Fields())
        fields_->addTopLevelItem(new QTreeWidgetItem(QStringList{QPFromUtf8(field.name)}));

    path_ = new QLineEdit(QPFromUtf8(import.StoredFilePath(settings)), this);
    path_->setMinimumWidth(320);
    path_->setClearButtonEnabled(true);
    browse_ = new QPushButton(QStringLiteral("Browse"), this);
    connect(browse_, &QPushButton::clicked, this, &LWizardPageCSVIntro::Browse);
    auto* label = new QLabel(QStringLiteral("CSV &File:"), this);
    label->setBuddy(path_);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(label);
    pathRow->addWidget(path_, 1);
    pathRow->addWidget(browse_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addWidget(fields_, 1);
    layout->addSpacing(6);
    layout->addLayout(pathRow);
}

void LWizardPageCSVIntro::Browse()
{
    LOpenFileRequest request;
    request.title = "Locate Import File";
    request.fileTypeName = "CSV Files";
    request.extension = "csv";
    const std::string current = path_->text().toStdString();
    request.folder = current.empty() ? documentsFolder_ : LFolderOfPath(current);
    if (const std::optional<std::string> chosen = prompts_.AskOpenFile(request))
        path_->setText(QPFromUtf8(*chosen));
}

bool LWizardPageCSVIntro::validatePage()
{
    if (const QPFormOutcome refusal = import_.SetFilePath(path_->text().toStdString())) {
        prompts_.ShowAlert(refusal->title, refusal->message);
        path_->setFocus(Qt::OtherFocusReason);
        path_->selectAll();
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// Matching fields to columns

LWizardPageCSVMatch::LWizardPageCSVMatch(LProcessImportCSV& import,
                                         const std::string& fieldListTitle, LUserPrompts& prompts,
                                         LSettingsStore& settings)
    : import_(import), prompts_(prompts), settings_(settings)
{
    setTitle(QStringLiteral("Select CSV File Data Fields"));
    // Reading the rows cannot be taken back by going back a page.
    setCommitPage(true);

    auto* explanation =
            new QLabel(QStringLiteral("Click a field's column cell to choose the header of the "
                                      "CSV column that fills it."),
                       this);
    explanation->setWordWrap(true);

    const QString fieldHeading = fieldListTitle.empty() ? QStringLiteral("Kestrano Data Fields")
                                                        : QPFromUtf8(fieldListTitle);
    matches_ = MakeList({fieldHeading, QStringLiteral("CSV File Header")}, this);
    matches_->setSelectionMode(QAbstractItemView::SingleSelection);
    // Only the assignment column is edited, and only through its combo.
    matches_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    matches_->setItemDelegateForColumn(1, new AssignmentDelegate(*this));
    matches_->header()->setStretchLastSection(true);
    connect(matches_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item, int) { EditAssignment(item); });
    connect(matches_, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item, int) { EditAssignment(item); });
    for (const LCSVField& field : import.Fields()) {
        auto* item = new QTreeWidgetItem(QStringList{QPFromUtf8(field.name), QString()});
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        matches_->addTopLevelItem(item);
    }
    matches_->resizeColumnToContents(0);
    matches_->setColumnWidth(0, matches_->columnWidth(0) + 32);

    startRow_ = new QLineEdit(this);
    startRow_->setMaximumWidth(80);
    auto* label = new QLabel(QStringLiteral("&Start Row:"), this);
    label->setBuddy(startRow_);
    auto* hint = new QLabel(QStringLiteral("The first line of the file that holds data; line 1 "
                                           "usually names the columns."),
                            this);
    hint->setWordWrap(true);
    hint->setEnabled(false);

    auto* startRow = new QHBoxLayout;
    startRow->addWidget(label);
    startRow->addWidget(startRow_);
    startRow->addSpacing(8);
    startRow->addWidget(hint, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addWidget(matches_, 1);
    layout->addSpacing(6);
    layout->addLayout(startRow);
}

void LWizardPageCSVMatch::initializePage()
{
    // Coming back from the first page the file may be another one: the stored mapping
    // replaces whatever was matched for the old file.
    headers_ = import_.ReadHeaderCells();
    import_.LoadStoredMapping(settings_, headers_.size());
    const int fieldCount = matches_->topLevelItemCount();
    for (int field = 0; field < fieldCount; ++field)
        ShowAssignment(field);
    startRow_->setText(QString::number(import_.StartRow()));
}

void LWizardPageCSVMatch::EditAssignment(QTreeWidgetItem* item)
{
    if (item)
        matches_->editItem(item, 1);
}

void LWizardPageCSVMatch::AssignField(int fieldIndex, const QString& headerText)
{
    if (fieldIndex < 0 || fieldIndex >= matches_->topLevelItemCount())
        return;
    import_.AssignField(fieldIndex, headerText.toStdString(), headers_);
    ShowAssignment(fieldIndex);
}

void LWizardPageCSVMatch::ShowAssignment(int fieldIndex)
{
    QTreeWidgetItem* item = matches_->topLevelItem(fieldIndex);
    const int column = import_.ColumnOfField(fieldIndex);
    const bool assigned = column >= 0 && static_cast<std::size_t>(column) < headers_.size();
    item->setText(1, assigned ? QPFromUtf8(headers_[static_cast<std::size_t>(column)])
                              : QString::fromUtf8(kImportCSVUnassigned));
    item->setData(1, Qt::UserRole, assigned ? column : -1);
    item->setForeground(1, assigned ? QBrush() : palette().brush(QPalette::PlaceholderText));
}

bool LWizardPageCSVMatch::validatePage()
{
    if (const QPFormOutcome refusal = import_.CheckAssignments()) {
        prompts_.ShowAlert(refusal->title, refusal->message);
        // The refusal names the field to look at.
        if (QTreeWidgetItem* item = matches_->topLevelItem(refusal->field))
            matches_->setCurrentItem(item, 0);
        matches_->setFocus(Qt::OtherFocusReason);
        return false;
    }
    import_.StoreMapping(settings_);
    if (const QPFormOutcome refusal = import_.SetStartRowText(startRow_->text().toStdString())) {
        prompts_.ShowAlert(refusal->title, refusal->message);
        startRow_->setFocus(Qt::OtherFocusReason);
        startRow_->selectAll();
        return false;
    }
    ImportProcessRun(wizard(), import_, prompts_);
    importRan_ = true;
    return true;
}

// ---------------------------------------------------------------------------------------
// The results

LWizardPageCSVResults::LWizardPageCSVResults(const LProcessImportCSV& import) : import_(import)
{
    setTitle(QStringLiteral("CSV Import Results"));
    setFinalPage(true);
    results_ = new QListWidget(this);
    results_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Error lines run up to 259 characters: they wrap rather than hide behind a scroll bar.
    results_->setWordWrap(true);
    results_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    results_->setResizeMode(QListView::Adjust);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(results_);
}

void LWizardPageCSVResults::initializePage()
{
    results_->clear();
    for (const std::string& line : import_.ResultLines())
        results_->addItem(QPFromUtf8(line));
}

// ---------------------------------------------------------------------------------------
// The wizard

LWizardImportCSV::LWizardImportCSV(LProcessImportCSV& import, std::string fieldListTitle,
                                   LUserPrompts& prompts, LSettingsStore& settings,
                                   std::string documentsFolder)
{
    setWizardStyle(QWizard::ModernStyle);
    setOption(QWizard::NoBackButtonOnLastPage);
    setOption(QWizard::NoCancelButtonOnLastPage);
    setButtonText(QWizard::CommitButton, QStringLiteral("Import"));
    setButtonText(QWizard::FinishButton, QStringLiteral("Close"));

    intro_ = new LWizardPageCSVIntro(import, prompts, settings, std::move(documentsFolder));
    match_ = new LWizardPageCSVMatch(import, fieldListTitle, prompts, settings);
    results_ = new LWizardPageCSVResults(import);
    setPage(kPageIntro, intro_);
    setPage(kPageMatch, match_);
    setPage(kPageResults, results_);
    setStartId(kPageIntro);

    // The three steps down the side, the current one in bold, so the user sees where the
    // import stands.
    auto* side = new QWidget(this);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(12, 16, 18, 12);
    sideLayout->setSpacing(10);
    QFont bold = side->font();
    bold.setBold(true);
    for (const char* name : kStepNames) {
        auto* step = new QLabel(QString::fromUtf8(name), side);
        // As wide as in bold, so the pages do not shift when the current step changes.
        step->setMinimumWidth(QFontMetrics(bold).horizontalAdvance(step->text()) + 2);
        sideLayout->addWidget(step);
        steps_.push_back(step);
    }
    sideLayout->addStretch(1);
    setSideWidget(side);
    connect(this, &QWizard::currentIdChanged, this, &LWizardImportCSV::ShowStep);
    ShowStep(kPageIntro);

    setMinimumSize(640, 440);
    resize(780, 540);
}

LWizardImportCSV::~LWizardImportCSV() = default;

void LWizardImportCSV::ShowStep(int pageId)
{
    for (std::size_t step = 0; step < steps_.size(); ++step) {
        QFont font = steps_[step]->font();
        font.setBold(static_cast<int>(step) == pageId);
        steps_[step]->setFont(font);
    }
}

bool LWizardImportCSV::Open(QWidget* parent, std::string_view wizardTitle)
{
    if (parent)
        setParent(parent, windowFlags());
    setWindowTitle(QPFromUtf8(wizardTitle));
    exec();
    return ImportRan();
}
