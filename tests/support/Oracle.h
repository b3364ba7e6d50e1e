// Runs the independent PDU library (tests/support/pdu_oracle.py) from the tests.
#ifndef ZAVRIX_TESTS_SUPPORT_ORACLE_H
#define ZAVRIX_TESTS_SUPPORT_ORACLE_H

#include <json/json.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace oracle {

// Runs the oracle with `input` on its standard input; the parsed JSON output, null on failure.
inline Json::Value Run(const std::string& mode, const std::string& input)
{
    char path[] = "/tmp/zavrix-oracle-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) {
        return Json::Value();
    }
    close(fd);
    std::ofstream(path, std::ios::binary) << input;
    std::string command = std::string("/usr/bin/python3 ") + ZAVRIX_SOURCE_DIR "/tests/support/pdu_oracle.py " +
                          mode + " < " + path;
    std::string output;
    {
        std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
        char buffer[4096];
        size_t n;
        while (pipe && (n = fread(buffer, 1, sizeof(buffer), pipe.get())) > 0) {
            output.append(buffer, n);
        }
    }
    std::remove(path);
    Json::Value result;
    std::istringstream stream(output);
    Json::CharReaderBuilder builder;
    std::string errors;
    if (!Json::parseFromStream(builder, stream, &result, &errors)) {
        return Json::Value();
    }
    return result;
}

// Decodes hex PDUs (a trailing Ctrl-Z is ignored); one JSON object per PDU.
inline Json::Value Decode(const std::vector<std::string>& pdus)
{
    std::string input;
    for (const std::string& pdu : pdus) {
        input += pdu + "\n";
    }
    return Run("decode", input);
}

// SMS-DELIVER PDUs built from a JSON array of messages (see the oracle's usage text).
inline std::vector<std::string> Deliver(const Json::Value& messages)
{
    Json::StreamWriterBuilder writer;
    Json::Value pdus = Run("deliver", Json::writeString(writer, messages));
    std::vector<std::string> result;
    for (const Json::Value& pdu : pdus) {
        result.push_back(pdu.asString());
    }
    return result;
}

// One SMS-DELIVER PDU per message, in order; an empty text for each the library built none for,
// so that a test indexing the list fails on the text rather than reading past it.
inline std::vector<std::string> DeliverEach(const std::vector<Json::Value>& messages)
{
    Json::Value array(Json::arrayValue);
    for (const Json::Value& message : messages) {
        array.append(message);
    }
    std::vector<std::string> pdus = Deliver(array);
    pdus.resize(messages.size());
    return pdus;
}

inline Json::Value Message(const std::string& number, const std::string& text)
{
    Json::Value message;
    message["number"] = number;
    message["text"] = text;
    return message;
}

inline Json::Value Part(const std::string& number, const std::string& text, int ref, int total, int seq)
{
    Json::Value message = Message(number, text);
    message["concat"]["ref"] = ref;
    message["concat"]["total"] = total;
    message["concat"]["seq"] = seq;
    return message;
}

} // namespace oracle

#endif
