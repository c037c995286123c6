// Tests of the JSON helpers: parsing, compact writing and the readers.
#include "json.h"

#include <gtest/gtest.h>

namespace mivo {
namespace {

Json::Value parsed(std::string_view text) {
  Json::Value value;
  EXPECT_TRUE(parse_json(text, value)) << text;
  return value;
}

TEST(JsonParsing, AcceptsCommentsAroundAndInsideTheDocument) {
  const Json::Value value =
      parsed("// stored record\n{\"a\": 1, /* note */ \"b\": [2]}\n/* end */");
  EXPECT_EQ(1, value["a"].asInt());
  EXPECT_EQ(2, value["b"][0].asInt());
}

TEST(JsonParsing, FailureLeavesTheValueNull) {
  Json::Value value("previous");
  EXPECT_FALSE(parse_json("{\"a\": 1, \"b\": ", value));
  EXPECT_TRUE(value.isNull());
  value = Json::Value(Json::objectValue);
  value["x"] = 1;
  EXPECT_FALSE(parse_json("", value));
  EXPECT_TRUE(value.isNull());
}

// A proxy's "502 Bad Gateway" page must not read as the number 502.
TEST(JsonParsing, TheWholeTextMustBeOneValue) {
  for (const char* text : {"502 Bad Gateway", "{\"code\":0} trailing", "{} {}", "[1] ]", "0 1",
                           "{\"a\":1,}", "[1,]"}) {
    Json::Value value;
    EXPECT_FALSE(parse_json(text, value)) << text;
    EXPECT_TRUE(value.isNull()) << text;
  }
  EXPECT_EQ(502, parsed(" 502 \r\n").asInt());
  EXPECT_TRUE(parsed("{\"a\":1}\n// a note after the value\n").isObject());
}

TEST(JsonParsing, NestingBeyondTheParserLimitFailsWithoutThrowing) {
  const std::string deep = std::string(5000, '[') + std::string(5000, ']');
  Json::Value value;
  EXPECT_FALSE(parse_json(deep, value));
  EXPECT_TRUE(value.isNull());
}

TEST(JsonParsing, EscapedAstralCharactersDecodeToUtf8) {
  EXPECT_EQ("\xF0\x9F\x98\x80", parsed("\"\\ud83d\\ude00\"").asString());
  Json::Value value;
  EXPECT_FALSE(parse_json("\"\\ud83d\"", value));  // half a surrogate pair
}

TEST(JsonWriting, IsCompactSortedAsciiAndEndsWithOneLineFeed) {
  Json::Value value(Json::objectValue);
  value["b"] = 1;
  value["a"] = "Zo\xC3\xAB \xE4\xBC\x9A\xE8\xAE\xAE \xE2\x9C\x93 \xF0\x9F\x98\x80";
  value["B"] = Json::Value(Json::arrayValue);
  value["c"]["y"] = true;
  value["c"]["x"] = 0.5;
  EXPECT_EQ(
      "{\"B\":[],\"a\":\"Zo\\u00eb \\u4f1a\\u8bae \\u2713 \\ud83d\\ude00\",\"b\":1,"
      "\"c\":{\"x\":0.5,\"y\":true}}\n",
      write_json(value));
}

TEST(JsonWriting, TextSurvivesWritingAndParsing) {
  const std::string text =
      "Zo\xC3\xAB \xE4\xBC\x9A\xE8\xAE\xAE \xE2\x9C\x93 \xF0\x9F\x98\x80 \"q\"\\\n";
  Json::Value value(Json::objectValue);
  value["s"] = text;
  EXPECT_EQ(text, parsed(write_json(value))["s"].asString());
}

TEST(JsonMember, NeverThrowsOnArraysScalarsOrMissingKeys) {
  const Json::Value object = parsed("{\"a\":1,\"\":2}");
  EXPECT_EQ(1, member(object, "a").asInt());
  EXPECT_EQ(2, member(object, "").asInt());
  EXPECT_TRUE(member(object, "b").isNull());
  EXPECT_TRUE(member(parsed("[1,2]"), "a").isNull());
  EXPECT_TRUE(member(parsed("\"text\""), "a").isNull());
  EXPECT_TRUE(member(Json::Value(), "a").isNull());
}

// Null reads as the default; a type that does not convert is std::nullopt.
TEST(JsonReaders, TextReaderTakesScalarsAndRefusesContainers) {
  EXPECT_EQ("", read_text(Json::Value()));
  EXPECT_EQ("abc", read_text(Json::Value("abc")));
  EXPECT_EQ("true", read_text(Json::Value(true)));
  EXPECT_EQ("12", read_text(Json::Value(12)));
  EXPECT_EQ(std::nullopt, read_text(Json::Value(Json::arrayValue)));
  EXPECT_EQ(std::nullopt, read_text(Json::Value(Json::objectValue)));
}

TEST(JsonReaders, IntegerReaderCutsFractionsAndRefusesTextAndOutOfRange) {
  EXPECT_EQ(0, read_int(Json::Value()));
  EXPECT_EQ(-7, read_int(Json::Value(-7)));
  EXPECT_EQ(2, read_int(Json::Value(2.9)));
  EXPECT_EQ(-2, read_int(Json::Value(-2.9)));
  EXPECT_EQ(1, read_int(Json::Value(true)));
  EXPECT_EQ(2147483647, read_int(parsed("2147483647")));
  EXPECT_EQ(std::nullopt, read_int(parsed("2147483648")));
  EXPECT_EQ(std::nullopt, read_int(parsed("1e20")));
  EXPECT_EQ(std::nullopt, read_int(parsed("18446744073709551615")));
  EXPECT_EQ(std::nullopt, read_int(Json::Value("30")));
  EXPECT_EQ(std::nullopt, read_int(Json::Value(Json::objectValue)));
}

TEST(JsonReaders, ExactIntegerReaderTakesWholeNumbersOnly) {
  EXPECT_EQ(0, read_exact_int(Json::Value()));
  EXPECT_EQ(-602, read_exact_int(parsed("-602")));
  EXPECT_EQ(3, read_exact_int(parsed("3.0")));
  for (const char* text : {"0.7", "-0.5", "true", "false", "\"0\"", "2147483648", "[]", "{}"}) {
    EXPECT_EQ(std::nullopt, read_exact_int(parsed(text))) << text;
  }
}

TEST(JsonReaders, RealReaderTakesNumbersAndBooleansOnly) {
  EXPECT_EQ(0.0, read_real(Json::Value()));
  EXPECT_EQ(44262.5, read_real(Json::Value(44262.5)));
  EXPECT_EQ(3.0, read_real(Json::Value(3)));
  EXPECT_EQ(1.0, read_real(Json::Value(true)));
  EXPECT_EQ(std::nullopt, read_real(Json::Value("1.5")));
  EXPECT_EQ(std::nullopt, read_real(Json::Value(Json::arrayValue)));
}

TEST(JsonReaders, FlagReaderTakesNonZeroNumbersAsTrue) {
  EXPECT_EQ(false, read_flag(Json::Value()));
  EXPECT_EQ(true, read_flag(Json::Value(true)));
  EXPECT_EQ(false, read_flag(Json::Value(0)));
  EXPECT_EQ(true, read_flag(Json::Value(-1)));
  EXPECT_EQ(true, read_flag(Json::Value(0.5)));
  EXPECT_EQ(false, read_flag(Json::Value(0.0)));
  EXPECT_EQ(std::nullopt, read_flag(Json::Value("1")));
  EXPECT_EQ(std::nullopt, read_flag(Json::Value(Json::objectValue)));
}

TEST(JsonObjectReader, ReadsDefaultsForMissingMembersWithoutNotingAWrongType) {
  const Json::Value object = parsed("{\"n\":null}");
  JsonObjectReader reader(object);
  EXPECT_EQ("", reader.text("missing"));
  EXPECT_EQ(0, reader.integer("n"));
  EXPECT_EQ(0.0, reader.real("missing"));
  EXPECT_FALSE(reader.flag("n"));
  EXPECT_TRUE(reader.object("missing").isNull());
  EXPECT_EQ(0u, reader.array("n").size());
  EXPECT_FALSE(reader.met_wrong_type());
}

TEST(JsonObjectReader, WrongTypedMembersReadAsDefaultsAndAreNoted) {
  const Json::Value object =
      parsed("{\"t\":{},\"i\":\"5\",\"r\":[1],\"f\":\"yes\",\"o\":[],\"a\":{},\"good\":3}");
  const auto noted = [&](auto read) {
    JsonObjectReader reader(object);
    EXPECT_EQ(3, reader.integer("good"));
    EXPECT_FALSE(reader.met_wrong_type());
    read(reader);
    return reader.met_wrong_type();
  };
  EXPECT_TRUE(noted([](JsonObjectReader& r) { EXPECT_EQ("", r.text("t")); }));
  EXPECT_TRUE(noted([](JsonObjectReader& r) { EXPECT_EQ(0, r.integer("i")); }));
  EXPECT_TRUE(noted([](JsonObjectReader& r) { EXPECT_EQ(0.0, r.real("r")); }));
  EXPECT_TRUE(noted([](JsonObjectReader& r) { EXPECT_FALSE(r.flag("f")); }));
  EXPECT_TRUE(noted([](JsonObjectReader& r) { EXPECT_TRUE(r.object("o").isNull()); }));
  EXPECT_TRUE(noted([](JsonObjectReader& r) { EXPECT_TRUE(r.array("a").isNull()); }));
}

TEST(JsonObjectReader, AnythingButAnObjectOrNullIsAWrongType) {
  for (const char* text : {"[1]", "\"s\"", "7", "true"}) {
    const Json::Value value = parsed(text);
    JsonObjectReader reader(value);
    EXPECT_EQ("", reader.text("a"));
    EXPECT_TRUE(reader.met_wrong_type()) << text;
  }
  JsonObjectReader null_reader(Json::Value::nullSingleton());
  EXPECT_FALSE(null_reader.met_wrong_type());
}

}  // namespace
}  // namespace mivo
