#include "library/io/MimeTypesAhead.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ArchiveTestSupport.h"
#include "TempDir.h"
#include "library/io/FaultInjection.h"
#include "library/io/MimeType.h"
#include "platform/FileCalls.h"

namespace orvan::library::testing {
namespace {

using common::MimeTypesAhead;

const std::string kPng = std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + std::string(64, '\1');

class MimeTypesAheadTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(temp_.Path() / "letter.txt", "Sehr geehrte Frau Doktor,\nanbei der Befund.\n");
        WriteFile(temp_.Path() / "image.png", kPng);
        WriteFile(temp_.Path() / "empty", "");
        std::filesystem::create_directory(temp_.Path() / "folder");
    }

    // What `ahead` found for the file `name`, and the type taken in with it,
    // the same whether found ahead or read again.
    std::pair<std::optional<std::wstring>, std::wstring> Types(const MimeTypesAhead& ahead, const char* name) {
        const auto withOpen = [&](auto use) {
            const int descriptor = platform::OpenFile(temp_.Wide(name), platform::OpenFor::Reading);
            EXPECT_GE(descriptor, 0) << name;
            auto result = use(descriptor);
            platform::CloseFile(descriptor);
            return result;
        };
        const auto found = withOpen([&](int d) { return ahead.Lookup(d); });
        const auto detected = withOpen([&](int d) { return common::DetectMimeType(d, ahead); });
        EXPECT_EQ(detected, withOpen([](int d) { return common::IdentifyMimeType(d); })) << name;
        return {found, detected};
    }

    orvan::testing::TempDir temp_;
};

TEST_F(MimeTypesAheadTest, TypesFoundAheadAreTheTypesOfTheContentUntilTheFileChanges) {
    const MimeTypesAhead ahead(std::vector<std::wstring>{temp_.Wide("letter.txt"), temp_.Wide("image.png"),
                                                         temp_.Wide("empty"), temp_.Wide("folder"),
                                                         temp_.Wide("missing"), temp_.Wide("letter.txt")});
    for (const char* name : {"letter.txt", "image.png", "empty"}) {
        const auto [found, detected] = Types(ahead, name);
        EXPECT_EQ(found, detected) << name;
    }
    EXPECT_EQ(Types(ahead, "image.png").second, L"image/png");

    WriteFile(temp_.Path() / "letter.txt", kPng + "changed");
    EXPECT_EQ(Types(ahead, "letter.txt"), std::pair(std::optional<std::wstring>(), std::wstring(L"image/png")));
    const MimeTypesAhead others(std::vector<std::wstring>{temp_.Wide("letter.txt")});
    EXPECT_EQ(Types(others, "image.png"), std::pair(std::optional<std::wstring>(), std::wstring(L"image/png")));
}

// Whatever goes wrong on a helper thread stays there: that file is left out,
// to be identified again, and reported, when it is taken in.
TEST_F(MimeTypesAheadTest, AFailureOnAHelperThreadLeavesOnlyThatFileOut) {
    const auto fault = common::FaultInjection::FailFile(common::FileOperation::Open, 2);
    const MimeTypesAhead ahead(std::vector<std::wstring>{temp_.Wide("letter.txt"), temp_.Wide("image.png"),
                                                         temp_.Wide("empty"), temp_.Wide("letter.txt")});
    ahead.Lookup(-1);  // waits until the identification has ended
    EXPECT_TRUE(fault.Fired());
    int found = 0;
    for (const char* name : {"letter.txt", "image.png", "empty"}) {
        found += Types(ahead, name).first.has_value();
    }
    EXPECT_GE(found, 2);  // the one that failed may have been found by the other look at letter.txt
}

TEST(MimeTypeTest, TextLikeTypesAreCompressedWhateverTheirSpellingOrParameters) {
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"text/plain", true},        {L"Text/HTML; charset=utf-8", true}, {L"application/xml", true},
        {L"image/svg+xml", true},     {L"application/ld+JSON", true},      {L"application/rtf ; x=1", true},
        {L"application/x-empty", true}, {L"application/pdf", false},       {L"image/png", false},
        {L"application/octet-stream", false}, {L"", false},                {L"textual/plain", false},
    };
    for (const auto& [type, compressible] : cases) {
        EXPECT_EQ(common::IsCompressible(type), compressible) << type;
    }
}

}  // namespace
}  // namespace orvan::library::testing
