#include "SyncCommand.h"

#include <QCoreApplication>
#include <QTimer>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "engine/format/TableFile.h"
#include "support/AtomicFile.h"
#include "sync/Account.h"
#include "sync/LocalBook.h"
#include "sync/SyncError.h"
#include "sync/SyncRun.h"

namespace torvelle::tools {
namespace {

struct SyncLine {
  std::string dir;
  std::string server, user, passwordFile;
  std::vector<std::string> passwords;
  bool allowEmpty = false;
};

std::optional<SyncLine> parse(const std::vector<std::string>& args) {
  SyncLine line;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--allow-empty") {
      line.allowEmpty = true;
    } else if (a == "--server" && hasValue) {
      line.server = args[++i];
    } else if (a == "--user" && hasValue) {
      line.user = args[++i];
    } else if (a == "--password-file" && hasValue) {
      line.passwordFile = args[++i];
    } else if (a == "--password" && hasValue) {
      line.passwords.push_back(args[++i]);
    } else if (line.dir.empty() && !a.starts_with("--")) {
      line.dir = a;
    } else {
      return std::nullopt;
    }
  }
  const bool someAccount = !line.server.empty() || !line.user.empty() || !line.passwordFile.empty();
  const bool wholeAccount =
      !line.server.empty() && !line.user.empty() && !line.passwordFile.empty();
  if (line.dir.empty() || (someAccount && !wholeAccount)) return std::nullopt;
  return line;
}

std::optional<sync::Account> accountFor(const SyncLine& line, const std::string& master) {
  if (line.server.empty()) {
    auto account = sync::loadAccount(line.dir, master);
    if (!account)
      throw sync::SyncError("no sync account in " + line.dir +
                            ": give --server, --user and --password-file once");
    return account;
  }
  const auto secret = support::readWholeFile(line.passwordFile);
  if (!secret) throw sync::SyncError(line.passwordFile + ": no such file");
  std::string password = *secret;
  while (!password.empty() && (password.back() == '\n' || password.back() == '\r'))
    password.pop_back();
  sync::Account account{line.server, line.user, password};
  sync::saveAccount(line.dir, account, master);
  return account;
}

}  // namespace

int runSyncCommand(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const auto line = parse(args);
  if (!line) {
    std::cerr << "usage: torvelle-db sync DIR [--server URL --user NAME --password-file FILE]"
                 " [--password P]... [--allow-empty]\n";
    return 2;
  }
  QCoreApplication app(argc, argv);
  sync::SyncOptions options;
  options.root = line->dir;
  options.passwords = line->passwords;
  options.allowEmpty = line->allowEmpty;
  std::optional<sync::Account> account;
  try {
    options.protect = format::TableFile::isProtected(
        sync::LocalBook::tablePath(options.root, sync::SyncBook::Tasks));
    account =
        accountFor(*line, options.protect && !line->passwords.empty() ? line->passwords[0] : "");
  } catch (const std::exception& e) {
    std::cerr << "torvelle-db sync: " << e.what() << "\n";
    return 1;
  }
  sync::SyncRun run(options, *account);
  int status = 1;
  QObject::connect(&run, &sync::SyncRun::finished, &app, [&] {
    std::cout << run.summary().text();
    status = run.summary().ok() ? 0 : 1;
    app.quit();
  });
  QTimer::singleShot(0, &app, [&] {
    if (line->server.empty()) return run.start();
    run.setUp([&](const QString& error) {
      if (error.isEmpty()) return run.start();
      std::cerr << "torvelle-db sync: " << error.toStdString() << "\n";
      app.quit();
    });
  });
  app.exec();
  return status;
}

}  // namespace torvelle::tools
