// Where the lock and the socket of the single-instance check live when the
// session has no runtime folder: never in a folder another user could have
// prepared.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>

#include "app/single_instance.h"

namespace mouse {
namespace {

bool IsPrivateFolderOfOurs(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::getuid() && (st.st_mode & 0777) == 0700;
}

TEST(RuntimeFolder, AFallbackFolderOthersCouldSteerIsNotUsed) {
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const QString tmp = base.path() + "/tmp";
    const QString cache = base.path() + "/cache";
    const QString uid = QString::number(::getuid());
    const QString fallback = tmp + "/mouse-driver-" + uid;
    const QString inCache = cache + "/mouse-driver/runtime-" + uid;
    const QByteArray native = QFile::encodeName(fallback);
    struct Case {
        const char* what;
        std::function<void()> prepare;
        QString expected;
    };
    const Case cases[] = {
        {"missing: made private", [] {}, fallback},
        {"ours and private", [&] { ::mkdir(native, 0700); }, fallback},
        {"open to others, with a lock in it",
         [&] {
             ::mkdir(native, 0700);
             ::chmod(native, 0777);
             QFile lock(fallback + "/x.lock");
             ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
         },
         inCache},
        {"another user's",
         [&] {
             ::mkdir(native, 0700);
             ASSERT_EQ(::chown(native, ::getuid() + 1, ::getgid()), 0) << "needs root";
         },
         inCache},
        {"a link to a private folder",
         [&] {
             QDir().mkpath(base.path() + "/elsewhere");
             ::chmod(QFile::encodeName(base.path() + "/elsewhere"), 0700);
             ASSERT_EQ(::symlink(QFile::encodeName(base.path() + "/elsewhere"), native), 0);
         },
         inCache},
        {"a file", [&] { QFile(fallback).open(QIODevice::WriteOnly); }, inCache},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (QString(c.what) == "another user's" && ::getuid() != 0) {
            continue;  // only root can give a folder away
        }
        QDir(tmp).removeRecursively();
        QFile::remove(fallback);
        QDir(cache).removeRecursively();
        QDir().mkpath(tmp);
        c.prepare();
        const RuntimeFolder found = FindRuntimeFolder({}, tmp, cache);
        EXPECT_EQ(found.path, c.expected);
        EXPECT_TRUE(found.error.isEmpty()) << found.error.toStdString();
        EXPECT_TRUE(IsPrivateFolderOfOurs(found.path));
    }

    // When the cache place is spoiled too, the program says why it cannot start.
    QDir().mkpath(cache + "/mouse-driver");
    QDir(inCache).removeRecursively();
    ASSERT_EQ(::symlink(QFile::encodeName(tmp), QFile::encodeName(inCache)), 0);
    const RuntimeFolder none = FindRuntimeFolder({}, tmp, cache);
    EXPECT_TRUE(none.path.isEmpty());
    EXPECT_TRUE(none.error.contains("symbolic link")) << none.error.toStdString();

    // The session's own runtime folder is used as it is.
    EXPECT_EQ(FindRuntimeFolder(base.path(), tmp, cache).path, base.path());
}

}  // namespace
}  // namespace mouse
