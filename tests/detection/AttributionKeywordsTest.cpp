#include "detection/AttributionKeywords.h"

#include <array>
#include <gtest/gtest.h>
#include <vector>

using namespace ostrel;

// Each list by entries of its own and ones it shares. Columns: known audio, likely audio, known
// camera, likely camera, media keyword, known media, media family, active means camera use.
TEST(AttributionKeywords, EachListMatchesItsOwnEntries) {
    const std::vector<std::pair<QString, std::array<bool, 8>>> cases{
        {"com.operasoftware.Opera", {1, 0, 0, 0, 0, 0, 0, 0}},
        {"com.microsoft.Word", {1, 0, 0, 0, 1, 0, 0, 0}}, // "mic" hints at audio
        {"org.signal.Signal", {1, 0, 0, 1, 0, 0, 1, 0}},
        {"net.whatsapp.WhatsApp", {1, 0, 1, 1, 0, 0, 1, 0}},
        {"com.adobe.AfterEffects", {0, 0, 1, 0, 0, 0, 0, 0}},
        {"com.bluejeans.BlueJeansApp", {1, 0, 1, 0, 0, 0, 0, 0}},
        {"com.slack.slack", {1, 1, 1, 1, 1, 0, 0, 0}},
        {"com.slack.Slack", {0, 1, 0, 1, 1, 1, 0, 0}},
        {"com.apple.facetime", {0, 1, 1, 1, 1, 1, 0, 1}},
        {"com.apple.FaceTime", {1, 1, 1, 1, 1, 0, 0, 0}},
        {"org.mozilla.thunderbird", {0, 0, 0, 0, 0, 1, 0, 0}},
        {"org.example.hangouts", {0, 0, 0, 1, 1, 0, 0, 0}},
        {"org.example.garage", {0, 0, 0, 0, 0, 0, 1, 0}}};
    for (const auto& [id, expected] : cases) {
        const std::array<bool, 8> matches{
            isKnownAudioApp(id),   isLikelyAudioApp(id, {}),
            isKnownCameraApp(id),  isLikelyCameraApp(id, {}),
            isMediaKeywordApp(id), isKnownMediaApp(id),
            isMediaFamilyApp(id),  keywords::knownCameraApplications().contains(id)};
        EXPECT_EQ(matches, expected) << id.toStdString();
    }
}
