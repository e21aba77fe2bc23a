#include "framework/font/DescParser.h"

#include "framework/platform/files/InputFile.h"
#include "framework/platform/files/Path.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace Zorbel {

namespace {

const char* const kListTooLarge = "List Too Large";
const char* const kNestedTooDeeply = "Lists Nested Too Deeply";

bool IsQuote(char c) {
    return c == '\'' || c == '"';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexDigit(char c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

const ListDataElement& AsList(const DataElement& element) {
    return static_cast<const ListDataElement&>(element);
}

const SingleDataElement& AsSingle(const DataElement& element) {
    return static_cast<const SingleDataElement&>(element);
}

size_t CountElements(const DataElement& element) {
    return element.IsList() ? AsList(element).CountElements() : 1;
}

bool ReadWholeFile(const std::string& path, uint64_t maxBytes, std::string& text) {
    InputFile file(path, maxBytes);
    return file && file.ReadAll(text);
}

size_t DepthOf(const DataElement& element) {
    return element.IsList() ? AsList(element).Depth() : 0;
}

} // namespace

DescParser::DescParser() = default;
DescParser::~DescParser() = default;

bool DescParser::Error(const std::string& message) {
    mErrorText = message;
    return false;
}

bool DescParser::Report(const std::string& message) {
    ++mReportCount;
    return Error(message);
}

const DataElement* DescParser::GetDefine(const std::string& name) const {
    auto found = mDefines.find(StringToUpper(name));
    return found != mDefines.end() ? found->second.value.get() : nullptr;
}

// --- Reading commands ---

bool DescParser::LoadDescriptor(const std::string& path, uint64_t maxBytes) {
    mErrorText.clear();
    mCurrentLineNumber = 0;
    std::string text;
    if (!ReadWholeFile(path, maxBytes, text)) return false;

    bool atLineStart = true;
    bool indented = false;
    bool inComment = false;
    bool inSingle = false;
    bool inDouble = false;
    bool heldBackslash = false;
    int32_t lineCounter = 0;
    bool ok = true;
    mCurrentCommand.clear();

    auto append = [&](char c) {
        if (mCurrentCommand.empty()) mCurrentLineNumber = lineCounter + 1;
        mCurrentCommand += c;
    };
    // Every command starts at a line start, outside quotes and comments.
    auto endCommand = [&] {
        if (heldBackslash) append('\\');
        ok = RunCommand();
        atLineStart = true;
        indented = inComment = inSingle = inDouble = heldBackslash = false;
        return ok;
    };

    for (size_t i = 0; i < text.size() && ok; ++i) {
        const char c = text[i];
        if (c == '\r') continue;
        if (c == '\n') ++lineCounter;
        if (inComment) {
            if (c == '\n') inComment = false;
            continue;
        }
        if (atLineStart) {
            if (c == ' ' || c == '\t') {
                indented = true;
                continue;
            }
            if (c == '\n') {
                indented = false;
                continue;
            }
            if ((mSeparatorFlags & SEPARATE_AT_UNINDENTED_LINE) && !indented && !mCurrentCommand.empty()) {
                // The character opens the next command.
                if (!endCommand()) break;
            }
            if (c == '#') {
                inComment = true;
                continue;
            }
            atLineStart = false;
        }
        if (heldBackslash) {
            heldBackslash = false;
            append('\\');
            // An escaped backslash or quote is taken as it is and changes no quote state.
            if (c == '\\' || IsQuote(c)) {
                append(c);
                continue;
            }
        }
        if (c == '\n') {
            append(c);
            atLineStart = true;
            indented = false;
        } else if ((inSingle || inDouble) && c == '\\') {
            heldBackslash = true;
        } else if (c == '\'' && !inDouble) {
            inSingle = !inSingle;
            append(c);
        } else if (c == '"' && !inSingle) {
            inDouble = !inDouble;
            append(c);
        } else if (c == ';' && (mSeparatorFlags & SEPARATE_AT_SEMICOLON) && !inSingle && !inDouble) {
            endCommand();
        } else {
            append(c);
        }
    }
    if (ok) endCommand();
    mCurrentCommand.clear();
    mCurrentLineNumber = 0;
    return ok;
}

bool DescParser::RunCommand() {
    bool ok = mCurrentCommand.empty() || ParseCommand(mCurrentCommand);
    mCurrentCommand.clear();
    return ok;
}

bool DescParser::ParseCommand(const std::string& text) {
    ListDataElement elements;
    size_t position = 0;
    if (!Tokenize(text, elements, false, position)) return false;
    if (elements.Size() == 0) return true;
    if (elements[0].IsList()) return Report("Missing Command");
    return HandleCommand(elements);
}

// --- Tokenizing ---

bool DescParser::Tokenize(const std::string& text, ListDataElement& list, bool insideList, size_t& position) {
    size_t elements = 0;
    return Tokenize(text, list, insideList, position, 1, elements);
}

bool DescParser::Tokenize(const std::string& text, ListDataElement& list, bool insideList, size_t& position,
                          size_t depth, size_t& elements) {
    std::string current;
    bool building = false;
    bool inSingle = false;
    bool inDouble = false;
    auto finish = [&] {
        if (!building) return true;
        if (++elements > MaxListElements) return Report(kListTooLarge);
        list.Append(std::make_unique<SingleDataElement>(std::move(current)));
        current.clear();
        building = false;
        return true;
    };

    while (position < text.size()) {
        const char c = text[position++];
        if (c == '\\') {
            if (position < text.size()) {
                current += text[position++];
                building = true;
            }
        } else if (c == '\'' && !inDouble) {
            inSingle = !inSingle;
            current += c;
            building = true;
        } else if (c == '"' && !inSingle) {
            inDouble = !inDouble;
            current += c;
            building = true;
        } else if (inSingle || inDouble) {
            current += c;
        } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ',') {
            if (!finish()) return false;
        } else if (c == '(') {
            if (building) return Report("Unexpected List Start");
            if (depth >= MaxListDepth) return Report(kNestedTooDeeply);
            if (++elements > MaxListElements) return Report(kListTooLarge);
            auto child = std::make_unique<ListDataElement>();
            if (!Tokenize(text, *child, true, position, depth + 1, elements)) return false;
            list.Append(std::move(child));
        } else if (c == ')') {
            if (!finish()) return false;
            if (!insideList) return Report("Unexpected List End");
            return true;
        } else {
            current += c;
            building = true;
        }
    }
    if (inSingle) return Report("Unterminated Single Quotes");
    if (inDouble) return Report("Unterminated Double Quotes");
    if (insideList) return Report("Unterminated List");
    return finish();
}

// --- Values ---

bool DescParser::IsImmediate(const std::string& text) {
    if (text.empty()) return false;
    const char c = text[0];
    return IsDigit(c) || c == '-' || c == '+' || IsQuote(c);
}

std::string DescParser::Unquote(const std::string& text) {
    if (text.empty() || !IsQuote(text[0])) return text;
    const char quote = text[0];
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != quote) {
            result += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == quote) {
            result += quote;
            ++i;
        }
    }
    return result;
}

bool DescParser::StringToInt(const std::string& text, int32_t& value) {
    const bool negative = !text.empty() && text[0] == '-';
    size_t i = negative ? 1 : 0;
    const bool hex = text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (hex) i = 2;
    if (i >= text.size()) return false;
    const int64_t limit = negative ? int64_t(1) << 31 : std::numeric_limits<int32_t>::max();
    int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = hex ? HexDigit(text[i]) : (IsDigit(text[i]) ? text[i] - '0' : -1);
        if (digit < 0) return false;
        magnitude = magnitude * (hex ? 16 : 10) + digit;
        if (magnitude > limit) return false;
    }
    value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return true;
}

bool DescParser::StringToDouble(const std::string& text, double& value) {
    size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
    const size_t firstDigit = i;
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    if (i == firstDigit) return false;
    if (i < text.size() && text[i] == '.') ++i;
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    if (i != text.size()) return false;
    double parsed = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (result.ec != std::errc() || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

bool DescParser::DataToString(const DataElement& element, std::string& text) {
    if (element.IsList()) return false;
    const std::string& raw = AsSingle(element).Value();
    if (const DataElement* definition = GetDefine(raw)) {
        if (definition->IsList()) return false;
        text = Unquote(AsSingle(*definition).Value());
        return true;
    }
    text = Unquote(raw);
    return true;
}

bool DescParser::DataToList(const DataElement& element, ListDataElement& resolved) {
    if (!element.IsList()) return false;
    size_t elements = 1;
    resolved.Clear();
    return ResolveInto(AsList(element), resolved, 1, elements);
}

bool DescParser::ResolveInto(const ListDataElement& source, ListDataElement& resolved, size_t depth,
                             size_t& elements) {
    for (const auto& child : source.Children()) {
        if (child->IsList()) {
            if (depth >= MaxListDepth) return Report(kNestedTooDeeply);
            if (++elements > MaxListElements) return Report(kListTooLarge);
            auto list = std::make_unique<ListDataElement>();
            if (!ResolveInto(AsList(*child), *list, depth + 1, elements)) return false;
            resolved.Append(std::move(list));
            continue;
        }
        const std::string& raw = AsSingle(*child).Value();
        if (IsImmediate(raw)) {
            if (++elements > MaxListElements) return Report(kListTooLarge);
            resolved.Append(std::make_unique<SingleDataElement>(IsQuote(raw[0]) ? Unquote(raw) : raw));
            continue;
        }
        const DataElement* definition = GetDefine(raw);
        if (definition == nullptr) return Report("Unable to Dereference \"" + raw + "\"");
        if (!CopyDefinitionInto(*definition, resolved, depth, elements)) return false;
    }
    return true;
}

// A copy of a definition takes the place of its name; a single definition reads like the text itself.
bool DescParser::CopyDefinitionInto(const DataElement& definition, ListDataElement& resolved, size_t depth,
                                    size_t& elements) {
    if (!definition.IsList()) {
        if (++elements > MaxListElements) return Report(kListTooLarge);
        resolved.Append(std::make_unique<SingleDataElement>(Unquote(AsSingle(definition).Value())));
        return true;
    }
    if (depth + DepthOf(definition) > MaxListDepth) return Report(kNestedTooDeeply);
    elements += CountElements(definition);
    if (elements > MaxListElements) return Report(kListTooLarge);
    resolved.Append(definition.Duplicate());
    return true;
}

bool DescParser::DataToListOrDefine(const DataElement& element, ListDataElement& resolved) {
    if (element.IsList()) return DataToList(element, resolved);
    const DataElement* definition = GetDefine(AsSingle(element).Value());
    if (definition == nullptr || !definition->IsList()) return false;
    resolved.Clear();
    for (const auto& child : AsList(*definition).Children())
        resolved.Append(child->Duplicate());
    return true;
}

bool DescParser::DataToStringVector(const DataElement& element, std::vector<std::string>& texts) {
    ListDataElement resolved;
    if (element.IsList()) {
        if (!DataToList(element, resolved)) return false;
    } else {
        const std::string& name = AsSingle(element).Value();
        const DataElement* definition = GetDefine(name);
        if (definition == nullptr) return Report("Unable to Dereference \"" + name + "\"");
        if (!definition->IsList()) return false;
        if (!DataToListOrDefine(element, resolved)) return false;
    }
    texts.clear();
    texts.reserve(resolved.Size());
    for (const auto& child : resolved.Children()) {
        if (child->IsList()) return false;
        texts.push_back(AsSingle(*child).Value());
    }
    return true;
}

namespace {

template <typename Number, typename Convert>
bool ConvertAll(const std::vector<std::string>& texts, std::vector<Number>& values, Convert convert) {
    values.assign(texts.size(), Number());
    for (size_t i = 0; i < texts.size(); ++i)
        if (!convert(texts[i], values[i])) return false;
    return true;
}

} // namespace

bool DescParser::DataToIntVector(const DataElement& element, std::vector<int32_t>& values) {
    std::vector<std::string> texts;
    return DataToStringVector(element, texts) && ConvertAll(texts, values, StringToInt);
}

bool DescParser::DataToDoubleVector(const DataElement& element, std::vector<double>& values) {
    std::vector<std::string> texts;
    return DataToStringVector(element, texts) && ConvertAll(texts, values, StringToDouble);
}

std::string DescParser::DataElementToString(const DataElement& element) {
    if (!element.IsList()) return AsSingle(element).Value();
    std::string text = "(";
    const auto& children = AsList(element).Children();
    for (size_t i = 0; i < children.size(); ++i) {
        if (i > 0) text += ", ";
        text += DataElementToString(*children[i]);
    }
    return text + ")";
}

// --- Definitions ---

bool DescParser::HandleDefine(const ListDataElement& elements) {
    if (elements.Size() != 3) return Report("Invalid Number of Parameters");
    const DataElement& name = elements[1];
    const DataElement& value = elements[2];
    if (name.IsList() || IsImmediate(AsSingle(name).Value())) return Report("Invalid Paramater Type");
    std::unique_ptr<DataElement> stored;
    if (value.IsList()) {
        auto list = std::make_unique<ListDataElement>();
        if (!DataToList(value, *list)) return false; // it said why
        stored = std::move(list);
    } else if (const DataElement* definition = GetDefine(AsSingle(value).Value())) {
        stored = definition->Duplicate();
    } else {
        stored = value.Duplicate();
    }
    return SetDefine(AsSingle(name).Value(), std::move(stored));
}

bool DescParser::SetDefine(const std::string& name, std::unique_ptr<DataElement> value) {
    const size_t count = CountElements(*value);
    const std::string key = StringToUpper(name);
    auto found = mDefines.find(key);
    const size_t replaced = found != mDefines.end() ? found->second.elements : 0;
    if (mDefinedElements - replaced + count > MaxDefinedElements) return Report(kListTooLarge);
    mDefinedElements = mDefinedElements - replaced + count;
    mDefines[key] = Definition{std::move(value), count};
    return true;
}

} // namespace Zorbel
