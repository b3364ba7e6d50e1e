// The send steps' PDUs decoded by an independent SMS library: destination, text and
// concatenation header of every part.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Oracle.h"
#include "PhoneCardBase.h"

namespace {

class Driver : public CPhoneCardBase {
public:
    explicit Driver(const std::string& centre) { smsCenterNumber = centre; }
};

std::string Repeat(const std::string& piece, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += piece;
    }
    return text;
}

struct NumberCase {
    std::string number;
    std::string decoded; // as the library shows it: "+" for the international type
};

TEST(SendOracle, EveryPartDecodesToDestinationTextAndHeader)
{
    const std::string han = "\xE4\xB8\xAD";
    const std::vector<std::string> texts = {
        "hello",
        "",
        "\xE4\xB8\xAD\xE6\x96\x87\xE7\x9F\xAD\xE4\xBF\xA1 mixed 123",
        "smile \xF0\x9F\x98\x80",
        Repeat("a", 70),
        Repeat("b", 71),
        Repeat(han, 47), // 141 bytes: the long path with a single part
        Repeat("c", 134),
        Repeat(han, 135),
        Repeat("d", 200),
        Repeat(han + "e", 200),
    };
    const std::vector<NumberCase> numbers = {
        {"13912345678", "13912345678"},
        {"008613912345678", "+8613912345678"},
        {"8613912345678", "+8613912345678"},
        {"00861391234567", "00861391234567"},
        // A leading "+" means an international number; it must not go out as a national one.
        {"+8613912345678", "+8613912345678"},
    };
    struct Sent {
        std::string number;
        std::string decodedNumber;
        std::string text;
        bool isLong;
        size_t parts;
    };
    // All PDUs go to the library in one run.
    std::vector<Sent> sent;
    std::vector<std::string> contents;
    for (const std::string centre : {"+8613800100500", "8613800100500"}) {
        for (const NumberCase& number : numbers) {
            for (const std::string& text : texts) {
                Driver d(centre);
                std::vector<PDU_LONG_SMS_Base_t> steps = d.GetSendPduSmsCmdArray(number.number, text);
                ASSERT_FALSE(steps.empty());
                for (const PDU_LONG_SMS_Base_t& step : steps) {
                    ASSERT_EQ(step.content.back(), '\x1A');
                    contents.push_back(step.content);
                }
                sent.push_back({number.number, number.decoded, text, d.IsLongSms(text), steps.size()});
            }
        }
    }
    Json::Value decoded = oracle::Decode(contents);
    ASSERT_EQ(decoded.size(), contents.size()) << "oracle failed";

    Json::ArrayIndex next = 0;
    for (const Sent& message : sent) {
        const Json::Value& first = decoded[next];
        std::string joined;
        for (size_t i = 0; i < message.parts; ++i) {
            const Json::Value& part = decoded[next++];
            std::string where = message.number + " / " + std::to_string(message.text.size()) + " bytes, part " +
                                std::to_string(i + 1);
            ASSERT_TRUE(part["ok"].asBool()) << where << ": " << part["error"].asString();
            EXPECT_EQ(part["type"].asString(), "Submit") << where;
            EXPECT_EQ(part["smsc"].asString(), "+8613800100500") << where;
            EXPECT_EQ(part["number"].asString(), message.decodedNumber) << where;
            EXPECT_EQ(part["coding"].asString(), "ucs2") << where;
            if (message.isLong) {
                ASSERT_TRUE(part["concat"].isObject()) << where;
                EXPECT_EQ(part["concat"]["ref"], first["concat"]["ref"]) << where;
                EXPECT_EQ(part["concat"]["total"].asUInt(), message.parts) << where;
                EXPECT_EQ(part["concat"]["seq"].asUInt(), i + 1) << where;
            } else {
                EXPECT_TRUE(part["concat"].isNull()) << where;
            }
            joined += part["text"].asString();
        }
        EXPECT_EQ(joined, message.text) << message.number;
    }
}

TEST(SendOracle, ConsecutiveLongMessagesTakeConsecutiveReferences)
{
    Driver d("+8613800100500");
    std::vector<std::string> firsts;
    for (int i = 0; i < 2; ++i) {
        firsts.push_back(d.GetSendPduSmsCmdArray("13912345678", Repeat("z", 100))[0].content);
    }
    Json::Value decoded = oracle::Decode(firsts);
    ASSERT_EQ(decoded.size(), 2u);
    int first = decoded[0]["concat"]["ref"].asInt();
    int second = decoded[1]["concat"]["ref"].asInt();
    EXPECT_EQ(second, first == 255 ? 1 : first + 1);
}

} // namespace
