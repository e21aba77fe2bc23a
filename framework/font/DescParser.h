#pragma once

#include "framework/font/DataElement.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Zorbel {

// A reader of command files: each command is a word followed by values, where a value is an element
// of text or a parenthesised list of values. The parser keeps named definitions and hands every
// command to HandleCommand, which a concrete reader supplies; the first command that fails stops the
// load. Descriptors come from outside, so nesting, list sizes and the definitions kept are limited.
class DescParser {
public:
    // separatorFlags bits.
    enum : int32_t {
        SEPARATE_AT_SEMICOLON = 1,       // a ';' outside quotes ends a command
        SEPARATE_AT_UNINDENTED_LINE = 2, // a line starting without indentation ends the pending command
    };

    // Lists inside lists inside lists... no reader needs more than a few levels.
    static constexpr size_t MaxListDepth = 32;
    // The most values one command or one resolved list may hold.
    static constexpr size_t MaxListElements = 65536;
    // The most values all definitions together may hold.
    static constexpr size_t MaxDefinedElements = size_t(1) << 18;
    // Descriptors are a few kilobytes; a file far larger is not one.
    static constexpr uint64_t MaxDescriptorBytes = uint64_t(16) << 20;

    DescParser();
    DescParser(const DescParser&) = delete;
    DescParser& operator=(const DescParser&) = delete;
    virtual ~DescParser();

    // Reports a problem. The default keeps the message as the error text. Always false, so that a
    // failing operation can end with `return Error(...)`.
    virtual bool Error(const std::string& message);
    // The definition of name (any case), or null.
    virtual const DataElement* GetDefine(const std::string& name) const;
    // Carries out one command: elements[0] is the command word, the rest its values.
    virtual bool HandleCommand(const ListDataElement& elements) = 0;

    // Reads and handles every command of the file. False, without a message, when the file cannot
    // be opened (only a regular file of at most maxBytes is read); false after the message of the
    // first command that failed.
    [[nodiscard]] bool LoadDescriptor(const std::string& path, uint64_t maxBytes = MaxDescriptorBytes);
    // Tokenizes one command and hands it to HandleCommand. An empty command does nothing.
    [[nodiscard]] bool ParseCommand(const std::string& text);
    // Splits text from position into elements and nested lists appended to list. Inside a list it
    // stops after the closing parenthesis, leaving position behind it.
    [[nodiscard]] bool Tokenize(const std::string& text, ListDataElement& list, bool insideList,
                                size_t& position);

    // Value helpers for command handlers.
    // Starts with a digit, a sign or a quote: a value rather than a name.
    static bool IsImmediate(const std::string& text);
    // Drops the opening quote character wherever it occurs; a doubled quote stands for one.
    static std::string Unquote(const std::string& text);
    // Decimal with an optional '-', or hexadecimal after "0x"; nothing else, and it must fit.
    [[nodiscard]] static bool StringToInt(const std::string& text, int32_t& value);
    // Optional '-', digits, optionally '.' and more digits.
    [[nodiscard]] static bool StringToDouble(const std::string& text, double& value);
    // A single element's text, or the text of the single definition it names, unquoted.
    [[nodiscard]] bool DataToString(const DataElement& element, std::string& text);
    // The list with every name replaced by a copy of its definition and quoted texts unquoted.
    [[nodiscard]] bool DataToList(const DataElement& element, ListDataElement& resolved);
    // The texts of an inline list, or of the list definition a name refers to.
    [[nodiscard]] bool DataToStringVector(const DataElement& element, std::vector<std::string>& texts);
    [[nodiscard]] bool DataToIntVector(const DataElement& element, std::vector<int32_t>& values);
    [[nodiscard]] bool DataToDoubleVector(const DataElement& element, std::vector<double>& values);
    // An inline list resolved, or a copy of the list definition a name refers to.
    [[nodiscard]] bool DataToListOrDefine(const DataElement& element, ListDataElement& resolved);
    // The raw text of a single element; a list as "(a, b, (c, d))".
    static std::string DataElementToString(const DataElement& element);

    int32_t GetSeparatorFlags() const { return mSeparatorFlags; }
    void SetSeparatorFlags(int32_t flags) { mSeparatorFlags = flags; }
    const std::string& GetErrorText() const { return mErrorText; }
    // The 1-based line where the command being handled starts; 0 outside loading.
    int32_t GetCurrentLineNumber() const { return mCurrentLineNumber; }
    // The text of the command being handled; empty outside loading.
    const std::string& GetCurrentCommand() const { return mCurrentCommand; }

protected:
    // Reports through Error and counts the report, so that a handler can tell whether a helper that
    // failed has already said why.
    bool Report(const std::string& message);
    int32_t ReportCount() const { return mReportCount; }

    // The "Define" command (name, value) for readers that offer it: a list value is stored resolved,
    // a name stores a copy of its definition, anything else is stored as written.
    bool HandleDefine(const ListDataElement& elements);
    // Stores value under the upper-cased name, replacing an earlier definition.
    bool SetDefine(const std::string& name, std::unique_ptr<DataElement> value);

private:
    struct Definition {
        std::unique_ptr<DataElement> value;
        size_t elements = 0;
    };

    bool Tokenize(const std::string& text, ListDataElement& list, bool insideList, size_t& position,
                  size_t depth, size_t& elements);
    bool ResolveInto(const ListDataElement& source, ListDataElement& resolved, size_t depth,
                     size_t& elements);
    bool CopyDefinitionInto(const DataElement& definition, ListDataElement& resolved, size_t depth,
                            size_t& elements);
    bool RunCommand();

    int32_t mSeparatorFlags = SEPARATE_AT_SEMICOLON;
    std::string mErrorText;
    int32_t mCurrentLineNumber = 0;
    std::string mCurrentCommand;
    std::map<std::string, Definition> mDefines;
    size_t mDefinedElements = 0;
    int32_t mReportCount = 0;
};

} // namespace Zorbel
