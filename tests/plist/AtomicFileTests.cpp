// Replacing a file in one step: the cases that lose or corrupt data when done wrong.
#include "PlistFixtures.h"

#include <Foundation/AtomicFile+Testing.h>
#include <Foundation/AtomicFile.h>
#include <Foundation/DeviceRoot.h>
#include <Foundation/NSDictionary.h>
#include <Foundation/NSString.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using plisttest::DeviceRootTest;

namespace {

Ref<NSDictionary> settings(const char* currency) {
    NSDictionary::Storage entries{{"currency", NSString::stringWithUTF8String(currency)}};
    return make<NSDictionary>(std::move(entries));
}

std::string currencyIn(const std::string& phonePath) {
    Ref<NSDictionary> d = NSDictionary::dictionaryWithContentsOfFile(phonePath);
    return d ? NSDescription(d->objectForKey("currency")) : "<unreadable>";
}

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    lstat(path.c_str(), &info);
    return info.st_mode;
}

mode_t newFileMode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0644 & ~mask;
}

// Leaves the hook empty again whatever a case does.
struct HookGuard {
    ~HookGuard() { AtomicFile::setHookBeforeRenameForTesting(nullptr); }
};

} // namespace

class AtomicWrite : public DeviceRootTest {};

// What is at the target before the write, and what must hold after it.
TEST_F(AtomicWrite, TargetsOfEveryKind) {
    const std::string longOld =
        "<plist><dict><key>currency</key><string>GBP</string><key>pad</key><string>" +
        std::string(10000, 'x') + "</string></dict></plist>";
    enum class Before { Nothing, Regular, Mode0600, LinkToFile, DanglingLink, Folder };
    struct Case {
        const char* name;
        Before before;
        bool written;
        mode_t mode; // of the target afterwards, type bits included
    } cases[] = {
        {"no file yet", Before::Nothing, true, S_IFREG | newFileMode()},
        {"longer old file", Before::Regular, true, S_IFREG | 0644},
        {"old file mode 0600 is kept", Before::Mode0600, true, S_IFREG | 0600},
        {"link: the link is replaced", Before::LinkToFile, true, S_IFREG | newFileMode()},
        {"dangling link", Before::DanglingLink, true, S_IFREG | newFileMode()},
        {"folder: refused", Before::Folder, false, S_IFDIR | 0755},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir scratch;
        DeviceRoot::set(scratch.str());
        std::string path = "/settings.plist";
        fs::path target = scratch.path() / "settings.plist";
        fs::path pointedTo = scratch.path() / "elsewhere.plist";
        std::string expectedListing = "settings.plist";
        switch (c.before) {
        case Before::Nothing:
            break;
        case Before::Regular:
            test::writeFile(target, longOld);
            fs::permissions(target, fs::perms(0644));
            break;
        case Before::Mode0600:
            test::writeFile(target, longOld);
            fs::permissions(target, fs::perms(0600));
            break;
        case Before::LinkToFile:
            test::writeFile(pointedTo, longOld);
            fs::create_symlink("elsewhere.plist", target);
            expectedListing = "elsewhere.plist settings.plist";
            break;
        case Before::DanglingLink:
            fs::create_symlink("nowhere.plist", target);
            break;
        case Before::Folder:
            fs::create_directory(target);
            fs::permissions(target, fs::perms(0755));
            test::writeFile(target / "inside", "kept");
            break;
        }
        EXPECT_EQ(settings("EUR")->writeToFile(path, true), c.written);
        EXPECT_EQ(modeOf(target), c.mode) << std::oct << modeOf(target);
        if (c.written) {
            EXPECT_EQ(currencyIn(path), "EUR");
            // Nothing of a longer old file may linger after the new end.
            EXPECT_TRUE(test::readFile(target).ends_with("</plist>\n"));
        } else {
            EXPECT_EQ(test::readFile(target / "inside"), "kept");
        }
        if (c.before == Before::LinkToFile) {
            EXPECT_EQ(test::readFile(pointedTo), longOld);
        }
        EXPECT_EQ(listing(scratch.path()), expectedListing); // no temporary file left
    }
}

// A folder nobody may write to: the write fails and leaves nothing behind. Run as nobody
// when the suite runs as root, since root may write anywhere.
TEST_F(AtomicWrite, FolderWithoutWriteRightFailsAndLeavesNothing) {
    for (bool existing : {false, true}) {
        SCOPED_TRACE(existing ? "file exists" : "no file yet");
        std::string path = prefsFile("locked/settings.plist");
        fs::path folder = real(path).parent_path();
        if (existing)
            test::writeFile(real(path),
                            "<plist><dict><key>currency</key><string>GBP</string></dict></plist>");
        fs::permissions(folder, fs::perms(0555));
        bool wrote =
            plisttest::runAsNobody([&] { return settings("EUR")->writeToFile(path, true); });
        fs::permissions(folder, fs::perms(0755));
        EXPECT_FALSE(wrote);
        EXPECT_EQ(listing(folder), existing ? "settings.plist" : "");
        if (existing) {
            EXPECT_EQ(currencyIn(path), "GBP");
        }
        fs::remove_all(folder);
    }
}

TEST_F(AtomicWrite, MissingFolderFails) {
    EXPECT_FALSE(settings("EUR")->writeToFile("/no/such/folder/settings.plist", true));
    EXPECT_FALSE(settings("EUR")->writeToFile("/no/such/folder/settings.plist", false));
    EXPECT_FALSE(fs::exists(real("/no")));
}

// A failure at the last step, after the temporary file is written and synced: the old
// file stays whole and the temporary file goes.
TEST_F(AtomicWrite, FailureBeforeRenameKeepsOldFileAndRemovesTemporary) {
    HookGuard guard;
    std::string path = prefsFile("settings.plist");
    ASSERT_TRUE(settings("GBP")->writeToFile(path, true));
    std::string old = test::readFile(real(path));
    std::string seenTemporary, temporaryContent;
    AtomicFile::setHookBeforeRenameForTesting([&](const std::string& temporary) {
        seenTemporary = temporary;
        temporaryContent = test::readFile(temporary);
        return false;
    });
    EXPECT_FALSE(settings("EUR")->writeToFile(path, true));
    EXPECT_EQ(fs::path(seenTemporary).parent_path(), real(path).parent_path()); // same folder
    EXPECT_NE(temporaryContent.find("EUR"), std::string::npos); // fully written by then
    EXPECT_EQ(test::readFile(real(path)), old);
    EXPECT_EQ(listing(real(path).parent_path()), "settings.plist");
}

// A real crash at that point, in a child that dies inside the hook: the target still holds
// the whole old file for any reader. (A crashed process removes nothing, so its hidden
// temporary file may remain; it is never at the target's name.)
TEST_F(AtomicWrite, CrashBeforeRenameLeavesOldFileWhole) {
    HookGuard guard;
    std::string path = prefsFile("settings.plist");
    ASSERT_TRUE(settings("GBP")->writeToFile(path, true));
    std::string old = test::readFile(real(path));
    pid_t child = fork();
    if (child == 0) {
        AtomicFile::setHookBeforeRenameForTesting([](const std::string&) -> bool { _exit(9); });
        settings("EUR")->writeToFile(path, true);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 9); // it did die between write and rename
    EXPECT_EQ(test::readFile(real(path)), old);
    EXPECT_EQ(currencyIn(path), "GBP");
}

// Without `atomically` the file is written in place: through a link, into the file the
// link names; still answering honestly.
TEST_F(AtomicWrite, InPlaceWriteTruncatesAndAnswersHonestly) {
    std::string path = prefsFile("settings.plist");
    fs::path target = real(path);
    test::writeFile(target, std::string(10000, 'x'));
    ASSERT_TRUE(settings("EUR")->writeToFile(path, false));
    EXPECT_EQ(currencyIn(path), "EUR");

    fs::path linked = target.parent_path() / "linked.plist";
    fs::create_symlink("settings.plist", linked);
    ASSERT_TRUE(
        settings("CHF")->writeToFile("/var/mobile/Library/Preferences/linked.plist", false));
    EXPECT_TRUE(fs::is_symlink(linked));
    EXPECT_EQ(currencyIn(path), "CHF");

    fs::create_directory(target.parent_path() / "folder.plist");
    EXPECT_FALSE(
        settings("EUR")->writeToFile("/var/mobile/Library/Preferences/folder.plist", false));
}

// The internal call on a real path, with a long name: the temporary name must still fit.
TEST_F(AtomicWrite, LongFileNameStillGetsATemporary) {
    test::TempDir scratch;
    std::string target = (scratch.path() / std::string(250, 'n')).string();
    std::string error;
    EXPECT_TRUE(AtomicFile::replace(target, "content", &error)) << error;
    EXPECT_EQ(test::readFile(target), "content");
}

// Writers killed between writing and renaming: each leaves its temporary file, but the next
// write clears every one of them, so no more than one is ever found lying about.
TEST_F(AtomicWrite, CrashedWritersLeaveAtMostOneTemporary) {
    HookGuard guard;
    std::string path = prefsFile("settings.plist");
    fs::path folder = real(path).parent_path();
    ASSERT_TRUE(settings("GBP")->writeToFile(path, true));
    auto temporaries = [&] {
        std::size_t count = 0;
        for (const auto& entry : fs::directory_iterator(folder))
            count += entry.path().filename().string().starts_with(".settings.plist.tmp-");
        return count;
    };
    for (int crash = 0; crash < 4; ++crash) {
        pid_t child = fork();
        if (child == 0) {
            AtomicFile::setHookBeforeRenameForTesting([](const std::string&) -> bool {
                ::kill(::getpid(), SIGKILL);
                return false;
            });
            settings("EUR")->writeToFile(path, true);
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(temporaries(), 1u) << "after crash " << crash;
        EXPECT_EQ(currencyIn(path), "GBP");
    }
    ASSERT_TRUE(settings("CHF")->writeToFile(path, true));
    EXPECT_EQ(listing(folder), "settings.plist");
    EXPECT_EQ(currencyIn(path), "CHF");
}

// The clean-up takes only what a dead writer left: a writer that is still at work, held
// just before its rename while another write goes through, keeps its temporary file and
// puts its content in place afterwards.
TEST_F(AtomicWrite, LiveWritersTemporaryIsLeftAlone) {
    HookGuard guard;
    std::string path = prefsFile("settings.plist");
    int reached[2], release[2];
    ASSERT_EQ(pipe(reached), 0);
    ASSERT_EQ(pipe(release), 0);
    pid_t child = fork();
    if (child == 0) {
        AtomicFile::setHookBeforeRenameForTesting([&](const std::string&) {
            char byte = 0;
            return write(reached[1], "r", 1) == 1 && read(release[0], &byte, 1) == 1;
        });
        _exit(settings("EUR")->writeToFile(path, true) ? 0 : 1);
    }
    char byte = 0;
    ASSERT_EQ(read(reached[0], &byte, 1), 1);
    EXPECT_TRUE(settings("GBP")->writeToFile(path, true));
    EXPECT_EQ(currencyIn(path), "GBP");
    ASSERT_EQ(write(release[1], "g", 1), 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(currencyIn(path), "EUR");
    EXPECT_EQ(listing(real(path).parent_path()), "settings.plist");
    for (int fd : {reached[0], reached[1], release[0], release[1]})
        close(fd);
}
