#include "shell/PluginLauncher.h"

#include "base/ProgramFolder.h"
#include "net/Gbk.h"
#include "shell/PluginArgs.h"
#include "ui/Prompt.h"

#include <QFileInfo>
#include <QHash>
#include <QLibrary>

#include <memory>
#include <utility>

namespace {

// Every library ever loaded, by full path. Deliberately leaked: a QLibrary
// destructor does not unload, and views made by a module may be alive until
// the very end of the process.
struct ModuleRegistry {
    QHash<QString, QLibrary*> libraries;
    QStringList order;
};

ModuleRegistry& Registry() {
    static auto* registry = new ModuleRegistry;
    return *registry;
}

// The loaded library for path, or null when it cannot be loaded. A failed load
// is not remembered, so a module installed later is found on the next try.
QLibrary* LoadOnce(const QString& path) {
    ModuleRegistry& registry = Registry();
    if (QLibrary* loaded = registry.libraries.value(path))
        return loaded;

    // Only the exact file: QLibrary would otherwise also try other prefixes and
    // suffixes, and find a library the program folder does not hold.
    if (!QFileInfo(path).isFile())
        return nullptr;

    auto library = std::make_unique<QLibrary>(path);
    // Resolving everything at load turns a module built against missing
    // symbols into a load failure instead of a crash in the middle of a call.
    library->setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!library->load())
        return nullptr;

    QLibrary* kept = library.release();
    registry.libraries.insert(path, kept);
    registry.order.append(path);
    return kept;
}

} // namespace

PluginLauncher::PluginLauncher(Prompt& prompt, DbConnection& connection, QString userName,
                               QString privilege)
    : prompt_(prompt), connection_(connection), userName_(std::move(userName)),
      privilege_(std::move(privilege)) {}

QWidget* PluginLauncher::LoadModuleView(const QString& moduleFile, const QString& entryName,
                                        const QString& parameter) {
    const QString path = ModulePath(moduleFile);
    QLibrary* library = LoadOnce(path);
    if (!library) {
        prompt_.Message(QStringLiteral("模块加载失败:\r\n") + path);
        return nullptr;
    }

    const auto entry =
        reinterpret_cast<PluginEntry>(library->resolve(entryName.toLatin1().constData()));
    if (!entry) {
        prompt_.Message(QStringLiteral("未找到入口点:") + entryName);
        return nullptr;
    }

    // The bytes must outlive the call; the record points into them.
    const QByteArray bytes = Gbk::Encode(parameter);
    const QByteArray user = userName_.toUtf8();
    const QByteArray rights = privilege_.toUtf8();
    const QByteArray folder = ProgramFolder().toUtf8();
    PluginArgs args{};
    args.size = sizeof(PluginArgs);
    args.version = PluginArgsVersion;
    args.parameter = bytes.constData();
    args.connection = &connection_;
    args.prompt = &prompt_;
    args.userName = user.constData();
    args.privilege = rights.constData();
    args.programFolder = folder.constData();
    return entry(&args);
}

QStringList PluginLauncher::LoadedModules() {
    return Registry().order;
}
