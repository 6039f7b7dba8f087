#include "app/app_start.h"

#include <QApplication>

#include "app/activation.h"
#include "app/first_instance.h"
#include "app/single_instance.h"
#include "app/store_lock_wait.h"
#include "feeds/feed_store.h"
#include "lang/lang_text.h"
#include "platform/file_io.h"
#include "platform/paths.h"
#include "settings/settings.h"
#include "ui/main/ui_prompts.h"
#include "util/http_fetch.h"
#include "util/strings.h"

namespace tidewick {
namespace {

// A later start ended up without an answer: say so in the user's language.
void TellNoAnswer(bool useProgramFolder) {
  TSettings settings;
  settings.UseProgramFolder = useProgramFolder;
  LoadSettings(settings);
  LoadLanguageFile(DataFolder() + "Language/" + settings.Language + ".lng");
  prompts::Message(nullptr, QMessageBox::Warning, QStringLiteral("Tidewick"),
                   QString::fromStdString(GetLangText("Main|MsgInstanceNoAnswer",
                                                      "Tidewick läuft bereits, antwortet aber nicht. Beenden Sie "
                                                      "das laufende Programm und starten Sie Tidewick erneut.")));
}

}  // namespace

int RunTidewick(int argc, char* argv[]) {
  SetCommandLineArgs(argc, argv);
  InitNetwork();  // before any thread runs
  PreferX11WhenAvailable();
  // Read before the toolkit takes the variables for its own start-up.
  const THandOver handOver{ActivationTokenFromEnvironment(), CommandLineArgs()};
  const bool useProgramFolder = !HasSwitch("APPDATA");

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tidewick"));
  QApplication::setDesktopFileName(QStringLiteral("org.tidewick.Tidewick"));

  const TInstancePlace place = InstancePlace();
  TInstanceLock instanceLock(place.LockFile);
  if (!instanceLock.TryTake()) {
    switch (HandOverToFirstInstance(place.SocketPath, handOver, [&instanceLock] { return instanceLock.TryTake(); })) {
      case THandOverResult::Handled:
        return 0;
      case THandOverResult::NoAnswer:
        TellNoAnswer(useProgramFolder);
        return 1;
      case THandOverResult::BecameFirst:
        break;
    }
  }

  // The store's place is known before the window loads it, to take its lock first and to tell a first start.
  const TSettingsLocation location = ChooseSettingsLocation(useProgramFolder);
  TFirstInstanceOptions options;
  options.Window.UseProgramFolder = useProgramFolder;
  options.Place = place;
  options.StorePresence = ExamineStorePath(location.FeedsFileName);
  options.MinSwitch = HasSwitch("MIN");
  options.Params = CommandLineArgs();

  TFeedStoreLock storeLock;
  const TStoreLockOutcome locked = TakeStoreLockWaiting(storeLock, location.FeedsFileName);
  if (locked == TStoreLockOutcome::Cancelled) {
    return 0;
  }
  if (locked == TStoreLockOutcome::Taken) {
    // Nobody else writes them now: what is there was left by a save that was killed.
    RemoveStaleStoreFiles(location.FeedsFileName);
    RemoveStaleTemporaries(location.SettingsFileName);
  }
  TFirstInstance instance(options);
  instance.Start();
  const int status = QApplication::exec();
  return status != 0 ? status : instance.ExitStatus();
}

}  // namespace tidewick
