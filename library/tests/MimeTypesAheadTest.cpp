#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ArchiveTestSupport.h"
#include "TempDir.h"
#include "library/io/FaultInjection.h"
#include "library/io/MimeType.h"
#include "library/io/MimeTypesAhead.h"
#include "platform/FileCalls.h"
#include "platform/Utf8.h"

namespace orvan::library::testing {
namespace {

using Dorv::Orvan::Framework::Common::DetectMimeType;
using Dorv::Orvan::Framework::Common::IdentifyMimeType;
using Dorv::Orvan::Framework::Common::MimeTypesAhead;

// Opens `path` for the duration of `use`.
template <typename Use>
auto WithOpen(const std::filesystem::path& path, Use use) {
    const int descriptor = orvan::platform::OpenFile(orvan::platform::FromPath(path), orvan::platform::OpenFor::Reading);
    EXPECT_GE(descriptor, 0) << path;
    auto result = use(descriptor);
    orvan::platform::CloseFile(descriptor);
    return result;
}

class MimeTypesAheadTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(temp_.Path() / "letter.txt", "Sehr geehrte Frau Doktor,\nanbei der Befund.\n");
        WriteFile(temp_.Path() / "image.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + std::string(64, '\1'));
        WriteFile(temp_.Path() / "empty", "");
        std::filesystem::create_directory(temp_.Path() / "folder");
    }
    std::vector<std::wstring> Paths() const {
        return {temp_.Wide("letter.txt"), temp_.Wide("image.png"), temp_.Wide("empty"),
                temp_.Wide("folder"),     temp_.Wide("missing"),   temp_.Wide("letter.txt")};
    }

    orvan::testing::TempDir temp_;
};

TEST_F(MimeTypesAheadTest, TypesFoundAheadAreTheTypesOfTheContent) {
    const MimeTypesAhead ahead(Paths());
    for (const char* name : {"letter.txt", "image.png", "empty"}) {
        WithOpen(temp_.Path() / name, [&](int descriptor) {
            const auto found = ahead.Lookup(descriptor);
            EXPECT_TRUE(found.has_value()) << name;
            EXPECT_EQ(found, IdentifyMimeType(descriptor)) << name;
            return 0;
        });
    }
    EXPECT_EQ(WithOpen(temp_.Path() / "image.png", [&](int d) { return DetectMimeType(d, ahead); }), L"image/png");
}

TEST_F(MimeTypesAheadTest, AFileChangedSinceOrNotIdentifiedIsReadAgain) {
    const MimeTypesAhead ahead(Paths());
    ahead.Lookup(-1);  // waits until the identification has ended
    WriteFile(temp_.Path() / "letter.txt", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + std::string(99, '\2'));
    EXPECT_FALSE(WithOpen(temp_.Path() / "letter.txt", [&](int d) { return ahead.Lookup(d); }));
    EXPECT_EQ(WithOpen(temp_.Path() / "letter.txt", [&](int d) { return DetectMimeType(d, ahead); }), L"image/png");

    const MimeTypesAhead others(std::vector<std::wstring>{temp_.Wide("letter.txt")});
    EXPECT_FALSE(WithOpen(temp_.Path() / "image.png", [&](int d) { return others.Lookup(d); }));
    EXPECT_EQ(WithOpen(temp_.Path() / "image.png", [&](int d) { return DetectMimeType(d, others); }), L"image/png");
}

// Whatever goes wrong on a helper thread stays there: that file is left out,
// to be identified again, and reported, when it is taken in.
TEST_F(MimeTypesAheadTest, AFailureOnAHelperThreadLeavesOnlyThatFileOut) {
    const std::vector<std::wstring> paths{temp_.Wide("letter.txt"), temp_.Wide("image.png"), temp_.Wide("empty"),
                                          temp_.Wide("letter.txt")};
    const auto fault = common::FaultInjection::FailFile(common::FileOperation::Open, 2);
    const MimeTypesAhead ahead(paths);
    ahead.Lookup(-1);  // waits until the identification has ended
    EXPECT_TRUE(fault.Fired());
    int found = 0;
    for (const char* name : {"letter.txt", "image.png", "empty"}) {
        found += WithOpen(temp_.Path() / name, [&](int d) { return ahead.Lookup(d).has_value(); });
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
