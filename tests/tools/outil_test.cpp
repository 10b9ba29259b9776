#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "tools/common/Outil.h"

using namespace Stravol::Outils;
using Json = nlohmann::ordered_json;

TEST(TexteJson, KeepsKeyOrderAndBothLayouts) {
    Json j;
    j["z"] = 1;
    j["a"] = {1, 2};
    j["m"]["b"] = true;
    EXPECT_EQ(texteJson(j, MiseEnPageJson::Serree), R"({"z":1,"a":[1,2],"m":{"b":true}})");
    EXPECT_EQ(texteJson(j, MiseEnPageJson::Aeree), R"({"z": 1, "a": [1, 2], "m": {"b": true}})");
}

// The compact text is the library's own dump, whatever the keys and values.
TEST(TexteJson, CompactTextIsTheLibrarysDump) {
    Json j;
    j["entier"] = -4032;
    j["grand"] = std::numeric_limits<std::uint64_t>::max();
    j["petit"] = std::numeric_limits<std::int64_t>::min();
    j["zero"] = 0u;
    j["reel"] = 0.1;
    j["entier_reel"] = 3.0;
    j["rien"] = nullptr;
    j["clé \"à\" échapper"] = "texte \"é\"\n";
    j["k_9"] = {{"a", false}, {"b", {1, -2, 3.5}}};
    EXPECT_EQ(texteJson(j, MiseEnPageJson::Serree), j.dump());
}

TEST(TexteJson, EscapesNamesAndPathsIntoParsableJson) {
    const std::string nom = "dos\"sier\\a\tb\nc/d\x01";
    Json j;
    j[nom] = nom;
    j["l"] = {nom};
    for (MiseEnPageJson mise : {MiseEnPageJson::Serree, MiseEnPageJson::Aeree}) {
        const std::string texte = texteJson(j, mise);
        EXPECT_EQ(texte.find('\n'), std::string::npos) << texte;
        const Json relu = Json::parse(texte);
        EXPECT_EQ(relu[nom], nom);
        EXPECT_EQ(relu["l"][0], nom);
    }
    // Bytes that are not UTF-8 are replaced rather than stopping the summary.
    Json invalide;
    invalide["nom"] = std::string("a\xff"
                                  "b");
    EXPECT_NO_THROW(Json::parse(texteJson(invalide, MiseEnPageJson::Serree)));
}

TEST(ReelJson, PrintsLikePrintfSignificantDigits) {
    EXPECT_EQ(reelJson(1.0, 9).dump(), "1");
    EXPECT_EQ(reelJson(-4032.0, 9).dump(), "-4032");
    EXPECT_EQ(reelJson(0.1234567891234, 9).dump(), "0.123456789");
    EXPECT_EQ(reelJson(2.0 / 3.0, 3).dump(), "0.667");
    EXPECT_TRUE(reelJson(std::nan(""), 9).is_null());
    EXPECT_TRUE(reelJson(std::numeric_limits<double>::infinity(), 9).is_null());
    EXPECT_EQ(decimalJson(0.1234567, 6).dump(), "0.123457");
    EXPECT_EQ(decimalJson(12.34, 1).dump(), "12.3");
    EXPECT_TRUE(decimalJson(-std::numeric_limits<double>::infinity(), 1).is_null());
}

TEST(Progression, PrintsEachStageFractionOnceAndNothingWhenInactive) {
    testing::internal::CaptureStderr();
    Progression p("outil", true);
    p.etape("load");
    p.setMaximum(3);
    for (int v : {0, 1, 1, 2, 3})
        p.setValue(v);
    p.terminer();
    p.etape("write");
    p.setValue(5); // no maximum yet: nothing to report
    p.terminer();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "outil: load 0.00\noutil: load 0.33\noutil: load 0.66\noutil: load 1.00\n"
              "outil: write 0.00\noutil: write 1.00\n");

    testing::internal::CaptureStderr();
    Progression muette("outil", false);
    muette.etape("load");
    muette.setMaximum(2);
    muette.setValue(1);
    muette.terminer();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
