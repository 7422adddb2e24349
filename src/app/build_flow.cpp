// The build chain of ShellApp: each queued file goes through one message per step, posted by the shell to
// itself, so the event loop runs between the steps and the Book Info dialog never blocks it.
//
//   MsgOpenFile -> (last file of a batch) MsgBatchStart -> MsgJobStart -> [MsgJobAskInfo -> dialog ->
//   MsgBookInfoClosed] -> MsgJobPlanOutput -> [overwrite question] -> MsgJobBuild -> MsgJobDone ->
//   MsgJobStart for the next job, or MsgBatchEnd.
//
// Exactly one message of the chain is pending while a batch runs (none while the dialog is open).

#include "app/book_info_dialog.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/progress_dialog.h"
#include "app/shell_app.h"
#include "app/shell_messages.h"
#include "build/book_paths.h"
#include "build/build_book.h"
#include "build/header_fields.h"
#include "epub/epub_book.h"
#include "framework/diagnostics.h"
#include "framework/window_placement.h"
#include "markdown/markdown_book.h"

#include <QFile>

#include <optional>

namespace quillery {
namespace {

constexpr int kResultOk = 1;

QString displayName(const FileService& file) {
    return QFile::decodeName(QByteArray::fromStdString(file.fileName()));
}

bool endsWithBookExtension(const std::string& name) {
    return name.size() >= 4 && name.compare(name.size() - 4, 4, ".tdb") == 0;
}

// The name to report for a source path that no build can use (empty, holding a NUL, ending in a separator, or
// a folder), or none for a usable one. Such a path would put the book in the wrong place (an empty path is
// the current folder, "x.tml/" gives "x.tml/.tdb"), so it is refused before anything is touched.
std::optional<std::string> unusableSourceName(const FileService& source) {
    std::string path = source.path();
    const bool holdsNul = path.find('\0') != std::string::npos;
    if (!path.empty() && !holdsNul && path.back() != '/' && !source.isDirectory()) {
        return std::nullopt;
    }
    while (!path.empty() && path.back() == '/') {
        path.pop_back();
    }
    std::string name = FileService(path).fileName();
    // A NUL would end the message; it is shown instead.
    std::string shown;
    for (char c : name) {
        shown += c == '\0' ? std::string("\\0") : std::string(1, c);
    }
    return shown;
}

} // namespace

bool ShellApp::openFile(MessageData* data) {
    auto* record = dynamic_cast<FileDropRecord*>(data);
    if (!record) {
        return false;
    }
    // Files that arrive while a batch runs join it: the running chain picks them up, and no second chain
    // may walk the same queue.
    if (record->index == 0 && !batchRunning_) {
        jobCount_ = 0;
    }
    jobs_.append(std::make_unique<BookJob>(jobCount_++, record->file));
    if (record->index + 1 == record->batchSize && !batchRunning_) {
        batchRunning_ = true;
        application_->post(nullptr, MsgBatchStart);
    }
    application_->send(nullptr, MsgRefresh);
    return true;
}

void ShellApp::startBatch() {
    logManager_->clear(); // the offer of the last batch's book goes with its rows
    batchWroteBook_ = false;
    progress_ = new ProgressDialog(this, application_->name(), QStringLiteral("Building..."));
    progress_->adjustSize();
    progress_->move(centredOnScreen(progress_->frameGeometry().size()));
    progress_->show();
    application_->send(nullptr, MsgRefresh); // Quit waits while the progress dialog is open
    PreferencesStore& preferences = application_->preferences();
    preferences.defaultBoolean(kOverwritePreference, false);
    preferences.defaultBoolean(kPromptPreference, false);
    preferences.getBoolean(kOverwritePreference, overwrite_);
    preferences.getBoolean(kPromptPreference, prompt_);
    // The boxes on screen are what the user chose, even when the preferences could not keep them.
    if (mainWindow_) {
        overwrite_ = mainWindow_->overwriteOption();
        prompt_ = mainWindow_->promptOption();
    }
    application_->post(nullptr, MsgJobStart);
}

void ShellApp::startJob() {
    BookJob* job = jobs_.head();
    if (!job) {
        application_->post(nullptr, MsgJobDone);
        return;
    }
    if (std::optional<std::string> unusable = unusableSourceName(job->source)) {
        reportError("The input file \"%s\" could not be opened.", unusable->c_str());
        application_->post(nullptr, MsgJobDone);
        return;
    }
    if (endsWithBookExtension(job->source.fileName())) {
        // A book as its own source would be replaced by its own build.
        reportError("The file \"%s\" is a book (.tdb), not a source. It was skipped.",
                    job->source.fileName().c_str());
        application_->post(nullptr, MsgJobDone);
        return;
    }
    job->info = std::make_unique<BookInfo>();
    if (markdown::isMarkdownPath(job->source.path())) {
        // The header fields come from the front matter; the conversion's reports name the source.
        logManager_->setSourceName(displayName(job->source));
        job->markdown =
            std::make_shared<markdown::MarkdownBook>(markdown::convertMarkdownFile(job->source, {}));
        logManager_->setSourceName(QString());
        if (job->markdown->failedToConvert()) {
            application_->post(nullptr, MsgJobDone);
            return;
        }
        *job->info = job->markdown->info();
    } else if (epub::isEpubPath(job->source.path())) {
        // The header fields come from the EPUB's metadata.
        logManager_->setSourceName(displayName(job->source));
        job->epub = std::make_shared<epub::EpubBook>(epub::convertEpubFile(job->source, {}));
        logManager_->setSourceName(QString());
        if (job->epub->failedToConvert()) {
            application_->post(nullptr, MsgJobDone);
            return;
        }
        *job->info = job->epub->info();
    } else {
        readHeaderFields(job->source.path(), *job->info);
    }
    application_->post(nullptr, job->info->title.empty() ? MsgJobAskInfo : MsgJobPlanOutput);
}

void ShellApp::askBookInfo() {
    BookJob* job = jobs_.head();
    if (!job || !job->info) {
        application_->post(nullptr, MsgJobDone);
        return;
    }
    bookInfo_ = new BookInfoDialog(*job->info, this, MsgBookInfoClosed, displayName(job->source));
    bookInfo_->present();
    application_->send(nullptr, MsgRefresh); // Quit waits while the dialog is open
}

void ShellApp::bookInfoClosed(MessageData* data) {
    auto* result = dynamic_cast<DialogResult*>(data);
    auto* dialog = result ? dynamic_cast<BookInfoDialog*>(result->dialog) : nullptr;
    BookJob* job = jobs_.head();
    if (!job || !dialog || result->code != kResultOk) {
        application_->post(nullptr, MsgJobDone); // skipped: nothing is written, nothing is logged
        return;
    }
    *job->info = dialog->bookInfo();
    application_->post(nullptr, MsgJobPlanOutput);
}

void ShellApp::planOutput() {
    BookJob* job = jobs_.head();
    if (!job) {
        application_->post(nullptr, MsgJobDone);
        return;
    }
    // Without the overwrite option an existing book is avoided with NAME.1.tdb, NAME.2.tdb, ...
    std::string output = outputPathFor(job->source.fullPath(), !overwrite_);
    if (output.empty()) {
        // Every numbered name is taken: the book has nowhere to go.
        reportError("The file \"%s\" could not be opened for writing.",
                    FileService(outputPathFor(job->source.fullPath(), false)).fileName().c_str());
        application_->post(nullptr, MsgJobDone);
        return;
    }
    job->output = std::make_unique<FileService>(output);
    if (overwrite_ && prompt_ && job->output->exists()) {
        QString question = QStringLiteral("The file \"") + displayName(*job->output) +
                           QStringLiteral("\" exists. Do you want to overwrite it?");
        if (MessageBox::askOkCancel(QString(), question) != MessageBoxAnswer::Ok) {
            application_->post(nullptr, MsgJobDone);
            return;
        }
    }
    application_->post(nullptr, MsgJobBuild);
}

void ShellApp::buildJob() {
    BookJob* job = jobs_.head();
    if (job && job->output && job->info) {
        if (progress_) {
            progress_->setText(QStringLiteral("Building ") + displayName(*job->output) +
                               QStringLiteral("..."));
        }
        // The log shows each placed report with the name of the file it is about.
        logManager_->setSourceName(displayName(job->source));
        BuildSettings settings;
        settings.replaceOutput = overwrite_; // a numbered name never replaces a file
        Verdict built =
            job->markdown ? job->markdown->build(job->source, job->output.get(), *job->info, 0, settings)
            : job->epub   ? job->epub->build(job->source, job->output.get(), *job->info, 0, settings)
                          : buildBook(&job->source, job->output.get(), *job->info, 0, settings);
        if (!failed(built)) {
            lastBook_ = job->output->fullPath(); // File > Preview Last Book offers it
            batchWroteBook_ = true;
        }
        logManager_->setSourceName(QString());
    }
    application_->post(nullptr, MsgJobDone);
}

void ShellApp::retireJob() {
    if (BookJob* job = jobs_.head()) {
        if (progress_ && jobCount_ != 0) {
            progress_->setProgress(static_cast<int>((uint64_t(job->ordinal) + 1) * 100 / jobCount_));
        }
        jobs_.retireHead();
    }
    application_->post(nullptr, jobs_.empty() ? MsgBatchEnd : MsgJobStart);
}

void ShellApp::endBatch() {
    if (!jobs_.empty()) {
        // Files dropped after the last job was retired still belong to this batch.
        application_->post(nullptr, MsgJobStart);
        return;
    }
    if (progress_) {
        progress_->setProgress(100);
        progress_->finish(kResultOk);
    }
    progress_ = nullptr;
    batchRunning_ = false;
    jobs_.clear();
    // The main window keeps its offer through the batch (the click waits for it) and drops it only when
    // the batch wrote no book, so it does not change size twice per batch.
    if (mainWindow_) {
        mainWindow_->setPreviewOffered(batchWroteBook_);
    }
    if (batchWroteBook_) {
        logManager_->offerAction(QStringLiteral("Preview Book"), [this] {
            CommandRecord record(CmdPreviewLastBook);
            application_->send(nullptr, MsgExecute, &record);
        });
    }
    application_->send(nullptr, MsgRefresh);
    if (autoQuit_) {
        quit(0);
    }
}

} // namespace quillery
