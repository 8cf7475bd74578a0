#include "ui/backend.h"

#include <cstdio>
#include <stdexcept>

#include "common/encoding.h"
#include "common/errors.h"
#include "common/iocodes.h"
#include "ui/handlers.h"

namespace ui {

namespace {
Backend* g_backend = nullptr;
bool g_quiet = false;

std::string& Title() {
  static std::string title;
  return title;
}
}  // namespace

Backend& CurrentBackend() {
  if (!g_backend) throw std::logic_error("no window back end is set");
  return *g_backend;
}

bool HasBackend() { return g_backend != nullptr; }

void SetBackend(Backend* backend) { g_backend = backend; }

ScopedBackend::ScopedBackend(Backend& b) : previous_(g_backend) { g_backend = &b; }
ScopedBackend::~ScopedBackend() { g_backend = previous_; }

void Backend::HandlerFailed(std::exception_ptr error) {
  std::string text;
  try {
    std::rethrow_exception(error);
  } catch (const common::IoError& e) {
    if (e.code == common::io::kUnfinishedRewrite) return;  // the file layer has said why
    text = e.what();
  } catch (const std::exception& e) {
    text = e.what();
  } catch (...) {
    text = common::Cz("Neznámá chyba");
  }
  ui::MessageBox(text, ApplicationTitle(), MsgButtons::Ok, MsgIcon::Error);
}

void EndQuietly() {
  g_quiet = true;
  if (g_backend) g_backend->CloseNativeDialogs();
}

bool EndingQuietly() { return g_quiet; }

void HandlerFailed(std::exception_ptr error) {
  if (!HasBackend()) std::rethrow_exception(error);
  CurrentBackend().HandlerFailed(std::move(error));
}

const std::string& ApplicationTitle() { return Title(); }
void SetApplicationTitle(std::string title) { Title() = std::move(title); }

int MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon) {
  if (g_quiet) {
    std::fprintf(stderr, "%s\n", common::Win1250ToUtf8(text).c_str());
    return buttons == MsgButtons::Ok ? mr::Ok : buttons == MsgButtons::YesNo ? mr::No : mr::Cancel;
  }
  return CurrentBackend().MessageBox(text, caption, buttons, icon);
}

void ShowMessage(const std::string& text) { MessageBox(text, ApplicationTitle()); }

bool AskYesNo(const std::string& text, const std::string& caption) {
  return MessageBox(text, caption.empty() ? ApplicationTitle() : caption, MsgButtons::YesNo, MsgIcon::Question) ==
         mr::Yes;
}

void Beep(BeepKind kind) {
  if (!g_quiet) CurrentBackend().Beep(kind);
}
bool ChooseFont(Font& font) { return !g_quiet && CurrentBackend().ChooseFont(font); }
bool ChooseColor(Color& color) { return !g_quiet && CurrentBackend().ChooseColor(color); }
bool ChooseOpenFile(FileDialogRequest& request) { return !g_quiet && CurrentBackend().ChooseOpenFile(request); }
bool ChooseFolder(FolderDialogRequest& request) { return !g_quiet && CurrentBackend().ChooseFolder(request); }
bool ChoosePrinter(const std::string& job) { return !g_quiet && CurrentBackend().ChoosePrinter(job); }
Rect WorkArea() { return CurrentBackend().WorkArea(); }
int PixelsPerInch() { return CurrentBackend().PixelsPerInch(); }
std::int64_t NowMs() { return CurrentBackend().NowMs(); }
void ProcessMessages() { CurrentBackend().ProcessMessages(); }
Bitmap GrabForm(Form& form) { return CurrentBackend().GrabForm(form); }
std::vector<std::string> PrinterNames() { return CurrentBackend().PrinterNames(); }
std::string CurrentPrinter() { return CurrentBackend().CurrentPrinter(); }
bool SetCurrentPrinter(const std::string& name) { return CurrentBackend().SetCurrentPrinter(name); }
std::unique_ptr<PrinterCanvas> BeginPrint(const std::string& title, PageOrientation orientation) {
  return CurrentBackend().BeginPrint(title, orientation);
}

}  // namespace ui
