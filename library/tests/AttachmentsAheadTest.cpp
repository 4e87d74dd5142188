#include "library/format/AttachmentsAhead.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "ArchiveTestSupport.h"
#include "TempDir.h"
#include "library/Archive.h"
#include "library/OrvanException.h"
#include "library/io/FaultInjection.h"
#include "library/io/OpenFileClaim.h"
#include "library/model/OrvanStructure.h"
#include "library/zip/ZipReader.h"

namespace orvan::library::testing {
namespace {

namespace model = Dorv::Orvan::Framework::Common::Classes::fullORVAN;
using common::AttachmentsAhead;
using orvan::platform::FromPath;

// Documents of distinct content, each a megabyte and a bit so that the
// extraction takes a while; every third compresses and is deflated.
std::string Content(int index) {
    std::string content(static_cast<std::size_t>((1 << 20) + index), static_cast<char>('a' + index % 26));
    for (std::size_t i = 0; index % 3 != 2 && i < content.size(); i += 397) {
        content[i] = static_cast<char>(i * 31 + static_cast<std::size_t>(index));
    }
    return content;
}

class AttachmentsAheadTest : public ::testing::Test {
protected:
    // Saves a structure of `count` documents, and makes the folder "out".
    std::filesystem::path SavedArchive(int count) {
        std::filesystem::create_directories(folder_);
        model::OrvanStructure structure(L"");
        for (int i = 0; i < count; ++i) {
            const auto path = temp_.Path() / ("doc-" + std::to_string(i) + ".bin");
            WriteFile(path, Content(i));
            model::Document* document = structure.NewDocument();
            document->ID = i + 1;
            document->ImportFile(FromPath(path));
        }
        const auto archive = temp_.Path() / "a.orvan";
        EXPECT_NE(structure.Save(FromPath(archive)), nullptr);
        return archive;
    }

    // The names of the attachment entries, in the documents' order.
    static std::vector<std::string> AttachmentEntries(const common::ZipReader& reader) {
        std::vector<std::string> names;
        for (const auto& entry : reader.Entries()) {
            if (entry.name.starts_with("attachments/")) {
                names.push_back(entry.name);
            }
        }
        return names;
    }

    // How many of the first `count` attachments `ahead` hands over as
    // "taken-<i>", checking each file's content.
    int TakeAll(AttachmentsAhead& ahead, const common::ZipReader& reader, std::size_t count) {
        const auto entries = AttachmentEntries(reader);
        int taken = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const auto target = folder_ / ("taken-" + std::to_string(i));
            if (ahead.Take(&reader, entries.at(i), FromPath(target), {})) {
                ++taken;
                EXPECT_TRUE(ReadBytes(target) == Content(static_cast<int>(i))) << target;
            }
        }
        return taken;
    }

    orvan::testing::TempDir temp_;
    std::filesystem::path folder_ = temp_.Path() / "out";
};

// A file named over an older one passes through a temporary name, which
// another import's clean-up must not take for one a killed import left.
TEST_F(AttachmentsAheadTest, NamingOverAnOlderFileSurvivesAnotherImportsCleanup) {
    std::filesystem::create_directories(folder_);
    const auto name = [&](int i) { return folder_ / ("f" + std::to_string(i)); };
    for (int i = 0; i < 1200; ++i) {
        WriteFile(name(i), "an older file");
    }
    const int failed = FailuresBesideACleanup(folder_, 1200, [&](int i) {
        const int descriptor = ::open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        const std::string content = "content " + std::to_string(i);
        bool named = false;
        try {
            named = ::write(descriptor, content.data(), content.size()) == static_cast<ssize_t>(content.size()) &&
                    common::NameUnnamedFile(descriptor, FromPath(name(i)));
        } catch (const common::OrvanException&) {
        }
        ::close(descriptor);
        return named;
    });
    EXPECT_EQ(failed, 0) << "a temporary name was removed while in use";
    for (int i = 0; i < 1200; i += 397) {
        EXPECT_EQ(ReadBytes(name(i)), "content " + std::to_string(i));
    }
}

TEST_F(AttachmentsAheadTest, FewDescriptorsLeaveTheRestToTheUsualWay) {
    const common::Archive archive(FromPath(SavedArchive(50)));
    // In a child process: a hard limit cannot be raised again. The process
    // holds many descriptors already: the extraction counts what is free,
    // keeping the reserve for the rest of the import.
    const auto takenWithFewDescriptors = [&] {
        rlimit limit{};
        ::getrlimit(RLIMIT_NOFILE, &limit);
        limit.rlim_cur = limit.rlim_max = std::min<rlim_t>(limit.rlim_max, 400);  // as far as this process may
        ::setrlimit(RLIMIT_NOFILE, &limit);
        for (int i = 0; i < 100; ++i) {
            ::open("/dev/null", O_RDONLY);
        }
        const std::size_t used = common::OpenFileClaim::kReserve + common::OpenFileClaim::OpenNow();
        const std::size_t free = std::min<std::size_t>(50, limit.rlim_cur > used ? limit.rlim_cur - used : 0);
        std::size_t taken = 0;
        {
            AttachmentsAhead ahead(archive.Reader(), FromPath(folder_));
            taken = static_cast<std::size_t>(TakeAll(ahead, *archive.Reader(), 50));
        }  // its thread ends before the process does
        std::exit(taken == free ? 0 : 1);
    };
    EXPECT_EXIT(takenWithFewDescriptors(), ::testing::ExitedWithCode(0), "");

    // A soft limit below the hard one is raised while any extraction holds
    // files, and restored when the last one goes, whichever goes first.
    const auto raisedAndRestored = [&] {
        rlimit limit{};
        ::getrlimit(RLIMIT_NOFILE, &limit);
        limit.rlim_cur = 300;
        ::setrlimit(RLIMIT_NOFILE, &limit);
        int taken = 0;
        rlimit during{};
        {
            auto first = std::make_unique<AttachmentsAhead>(archive.Reader(), FromPath(folder_));
            AttachmentsAhead second(archive.Reader(), FromPath(folder_));
            first.reset();
            ::getrlimit(RLIMIT_NOFILE, &during);
            taken = TakeAll(second, *archive.Reader(), 50);
        }
        ::getrlimit(RLIMIT_NOFILE, &limit);
        std::exit(taken == 50 && during.rlim_cur > 300 && limit.rlim_cur == 300 ? 0 : 1);
    };
    rlimit hard{};
    ::getrlimit(RLIMIT_NOFILE, &hard);
    if (hard.rlim_max >= 2 * 50 + 300) {
        EXPECT_EXIT(raisedAndRestored(), ::testing::ExitedWithCode(0), "");
    }
}

// No thread, or no memory for one, and a test fault armed (whose calls must
// be the test's alone): the attachments are left to the usual way, and
// nothing the extraction opened or raised is left behind.
TEST_F(AttachmentsAheadTest, WithoutAThreadOrWhileAFaultIsArmedNothingIsHeldAndNothingIsTaken) {
    const common::Archive archive(FromPath(SavedArchive(3)));
    rlimit before{};
    ::getrlimit(RLIMIT_NOFILE, &before);
    const std::size_t open = common::OpenFileClaim::OpenNow();
    for (const bool noThread : {true, false}) {
        {
            const auto fault = noThread ? common::FaultInjection::FailThread("AttachmentsAhead")
                                        : common::FaultInjection::FailFile(common::FileOperation::Sync, 1000);
            AttachmentsAhead ahead(archive.Reader(), FromPath(folder_));
            EXPECT_EQ(fault.Fired(), noThread);
            EXPECT_EQ(TakeAll(ahead, *archive.Reader(), 3), 0);
        }
        rlimit after{};
        ::getrlimit(RLIMIT_NOFILE, &after);
        EXPECT_EQ(after.rlim_cur, before.rlim_cur);
        EXPECT_EQ(common::OpenFileClaim::OpenNow(), open);
    }
}

}  // namespace
}  // namespace orvan::library::testing
