// Text sinks: where the core writes the texts that a window shows in a box and the command line collects.
//
//   TextSink: a growing text (the assembler's listing and object boxes). Lines are appended whole, each
//             already ending in CR LF; clear() empties it. The assembler says first in which encoding the
//             text comes (that of the source, whose lines it repeats).
//   MessageSink: the modal message boxes of the system (OK only). The window shows a box titled
//             "Vandor 8085"; vandor-cli prints the text to stderr.
//
//   StringSink log;                 // collects text
//   creafilehex(image, path, log, messages);
//   std::cout << log.text;
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/text_encoding.h"

namespace vandor {

class TextSink {
public:
    virtual ~TextSink() = default;
    virtual void clear() = 0;
    virtual void append(std::string_view text) = 0;
    // The encoding of the text appended from now on.
    virtual void setEncoding(TextEncoding) {}
};

class StringSink final : public TextSink {
public:
    void clear() override { text.clear(); }
    void append(std::string_view t) override { text.append(t); }
    void setEncoding(TextEncoding e) override { encoding = e; }
    std::string text;
    TextEncoding encoding = TextEncoding::Utf8;
};

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void message(const std::string& text) = 0;
};

class CollectingMessages final : public MessageSink {
public:
    void message(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

}  // namespace vandor
