#include "framework/LProgressDialog.h"

#include "LEventLoopWaker.h"
#include "framework/LUserPrompts.h"

#include <QApplication>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

namespace {

// The bar counts in thousandths, so a progress of 0.5 is exactly half of it.
constexpr int kProgressSteps = 1000;

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

LProgressDialog::LProgressDialog(std::string_view title, LUserPrompts& prompts)
    : title_(title), prompts_(prompts)
{
    setWindowTitle(FromUtf8(title_));
    setMinimumWidth(420);
    auto* layout = new QVBoxLayout(this);
    for (QLabel*& status : status_) {
        status = new QLabel(this);
        // Status texts carry file and resource names: plain text, and long ones are clipped
        // instead of stretching the window.
        status->setTextFormat(Qt::PlainText);
        status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        status->setMinimumHeight(status->fontMetrics().height());
        layout->addWidget(status);
    }
    bar_ = new QProgressBar(this);
    bar_->setRange(0, kProgressSteps);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    layout->addWidget(bar_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    // Return must not cancel an operation by accident.
    cancel_->setAutoDefault(false);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    connect(cancel_, &QPushButton::clicked, this, [this] { Close(eProcessCancelled); });
}

LProgressDialog::~LProgressDialog() = default;

bool LProgressDialog::CanOpen()
{
    const auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    return application && QThread::currentThread() == application->thread();
}

bool LProgressDialog::Open(QWidget* parent)
{
    if (!CanOpen())
        return false;
    if (parent)
        setParent(parent, windowFlags());
    setWindowModality(Qt::ApplicationModal);
    stop_ = false;
    cancel_->setEnabled(true);
    show();
    if (!windowHandle()) {
        hide();
        return false;
    }
    raise();
    activateWindow();
    HandleQueuedEvents();
    const bool mayClose = MainFunction();
    hide();
    return mayClose;
}

void LProgressDialog::Close(int code)
{
    closeCode_ = code;
    cancel_->setEnabled(false);
    HandleQueuedEvents();
    RequestStop();
}

void LProgressDialog::reject()
{
    if (cancel_->isEnabled())
        Close(eProcessCancelled);
}

void LProgressDialog::RequestStop()
{
    stop_ = true;
    if (wait_)
        wait_->Wake();
}

void LProgressDialog::HandleQueuedEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool LProgressDialog::IsToStop()
{
    HandleQueuedEvents();
    return IsProcessEventHandlerToStop();
}

bool LProgressDialog::ProcessWait(int milliseconds)
{
    return Wait({}, milliseconds);
}

bool LProgressDialog::ProcessWaitSignal(LProcessSignal& signal, int milliseconds)
{
    return Wait({&signal}, milliseconds);
}

bool LProgressDialog::ProcessWaitSignalObjectGroup(LProcessSignalGroup& group, int milliseconds)
{
    return Wait(group.Signals(), milliseconds);
}

bool LProgressDialog::Wait(const std::vector<LProcessSignal*>& watched, int milliseconds)
{
    using namespace std::chrono;
    const steady_clock::time_point start = steady_clock::now();
    HandleQueuedEvents();
    for (;;) {
        if (IsProcessEventHandlerToStop())
            return true;
        if (std::any_of(watched.begin(), watched.end(),
                        [](const LProcessSignal* signal) { return signal->IsSet(); }))
            return false;
        LEventLoopWaker waker;
        QTimer timer;
        if (milliseconds >= 0) {
            const auto elapsed =
                    duration_cast<std::chrono::milliseconds>(steady_clock::now() - start);
            if (elapsed.count() >= milliseconds)
                return false;
            timer.setSingleShot(true);
            timer.setTimerType(Qt::PreciseTimer);
            connect(&timer, &QTimer::timeout, &waker.loop, [&waker] { waker.Wake(); });
            timer.start(milliseconds - static_cast<int>(elapsed.count()));
        }
        LProcessSignalWatch watch(watched, waker);
        LEventLoopWaker* outer = std::exchange(wait_, &waker);
        waker.loop.exec();
        wait_ = outer;
        if (!waker.woken) {
            // The application is quitting: its event loops are all being left, and every
            // further one would end at once. The process has to stop.
            stop_ = true;
            return true;
        }
    }
}

void LProgressDialog::SetError(std::string_view text)
{
    prompts_.ShowAlert(title_, text);
}

void LProgressDialog::SetStatus(std::string_view text, int line)
{
    StatusLine(line).setText(FromUtf8(text));
    HandleQueuedEvents();
}

void LProgressDialog::SetProgress(double fraction)
{
    fraction_ = std::isnan(fraction) ? 0.0 : std::clamp(fraction, 0.0, 1.0);
    bar_->setRange(0, kProgressSteps);
    bar_->setValue(static_cast<int>(std::lround(fraction_ * kProgressSteps)));
    HandleQueuedEvents();
}

void LProgressDialog::SetProgressIndeterminateOn()
{
    // A bar without a range is drawn as a busy animation.
    bar_->setRange(0, 0);
    HandleQueuedEvents();
}

void LProgressDialog::SetProgressIndeterminateOff()
{
    bar_->setRange(0, kProgressSteps);
    bar_->setValue(static_cast<int>(std::lround(fraction_ * kProgressSteps)));
    HandleQueuedEvents();
}
