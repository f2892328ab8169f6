#include "ScpiParser.h"

#include "ScpiLinearity.h"
#include "ScpiParameters.h"
#include "ScpiText.h"
#include "model/Converter.h"

namespace Scpi {

using namespace Text;

namespace {

constexpr int MaxNodes = 4;
constexpr int MaxChannel = Converter::Channels;

struct Node {
    std::string_view name;
    std::string_view suffix; // digits
};

struct Path {
    Node nodes[MaxNodes];
    int count = 0;
};

// Whether `nodes` spell the row's header. `channel` gets the channel number
// (1 when left out, -1 when out of range), or 0 for a header without one.
bool sameHeader(const Row& row, const Path& path, int& channel) {
    std::string_view spelling = row.spelling;
    channel = 0;
    for (int i = 0;; ++i) {
        const std::size_t colon = spelling.find(':');
        std::string_view keyword = spelling.substr(0, colon);
        const bool numbered = keyword.back() == '#';
        if (numbered)
            keyword.remove_suffix(1);
        if (i == path.count || !matches(path.nodes[i].name, keyword) ||
            (!numbered && !path.nodes[i].suffix.empty()))
            return false;
        if (numbered) {
            const long n = path.nodes[i].suffix.empty()
                               ? 1
                               : digitsValue(path.nodes[i].suffix, 10, MaxChannel);
            channel = n < 1 || n > MaxChannel ? -1 : static_cast<int>(n);
        }
        if (colon == std::string_view::npos)
            return i + 1 == path.count;
        spelling.remove_prefix(colon + 1);
    }
}

int findRow(const Path& path, int& channel) {
    // Every keyword's short form has at least three characters, capitals or
    // '*': most rows fail on the first two.
    const std::string_view name = path.nodes[0].name;
    if (name.size() < 3)
        return -1;
    const char first = upper(name[0]);
    const char second = upper(name[1]);
    for (std::size_t i = 0; i < CommandCount; ++i) {
        const char* spelling = Commands[i].spelling;
        if (spelling[0] == first && upper(spelling[1]) == second &&
            sameHeader(Commands[i], path, channel))
            return static_cast<int>(i);
    }
    return -1;
}

// A header's nodes, e.g. "DAC1:CODE"; false for a malformed one.
bool split(std::string_view header, Path& path, bool& tooMany) {
    tooMany = false;
    for (;;) {
        const std::size_t colon = header.find(':');
        const std::string_view node = header.substr(0, colon);
        std::size_t letters = 0;
        while (letters < node.size() && isLetter(node[letters]))
            ++letters;
        const std::string_view suffix = node.substr(letters);
        if (letters == 0)
            return false;
        for (const char c : suffix)
            if (!isDigit(c))
                return false;
        if (path.count < MaxNodes)
            path.nodes[path.count++] = {node.substr(0, letters), suffix};
        else
            tooMany = true;
        if (colon == std::string_view::npos)
            return true;
        header.remove_prefix(colon + 1);
    }
}

Parsed parse(std::string_view text, Path& path) {
    Parsed parsed;
    auto fail = [&parsed](int error) {
        parsed.error = error;
        return parsed;
    };
    std::size_t headerEnd = 0;
    while (headerEnd < text.size() && !isSpace(text[headerEnd]))
        ++headerEnd;
    std::string_view header = text.substr(0, headerEnd);
    Command& command = parsed.command;
    command.query = !header.empty() && header.back() == '?';
    if (command.query)
        header.remove_suffix(1);
    if (header.empty())
        return fail(Error::Syntax);

    Path nodes;
    int channel = 0;
    int row = -1;
    if (header.front() == '*') {
        for (const char c : header.substr(1))
            if (!isLetter(c))
                return fail(Error::Syntax);
        if (header.size() < 2)
            return fail(Error::Syntax);
        nodes.nodes[nodes.count++] = {header, {}};
        row = findRow(nodes, channel);
    } else {
        const bool fromRoot = header.front() == ':';
        if (fromRoot)
            header.remove_prefix(1);
        bool tooMany = false;
        if (!split(header, nodes, tooMany))
            return fail(Error::Syntax);
        Path continued = path;
        if (!fromRoot && !tooMany && path.count + nodes.count <= MaxNodes && path.count > 0) {
            for (int i = 0; i < nodes.count; ++i)
                continued.nodes[continued.count++] = nodes.nodes[i];
            row = findRow(continued, channel);
        }
        if (row >= 0)
            nodes = continued;
        else if (!tooMany)
            row = findRow(nodes, channel);
        if (row >= 0) {
            path = nodes;
            --path.count;
        }
    }
    if (row < 0 || !(command.query ? Commands[row].query != nullptr : Commands[row].set != nullptr))
        return fail(Error::UndefinedHeader);
    if (channel < 0)
        return fail(Error::SuffixOutOfRange);
    command.row = row;
    command.channel = channel;
    const int error = ParseAnyParameter(Commands[row], trim(text.substr(headerEnd)), command);
    return error == Error::None ? parsed : fail(error);
}

} // namespace

Parsed ParseCommand(std::string_view text) {
    Path root;
    return parse(trim(text), root);
}

std::vector<Parsed> ParseLine(std::string_view line) {
    std::vector<Parsed> commands;
    commands.reserve(4);
    Path path;
    for (;;) {
        const std::size_t semicolon = line.find(';');
        const std::string_view text = trim(line.substr(0, semicolon));
        if (!text.empty()) {
            commands.push_back(parse(text, path));
            commands.back().text = text;
            if (commands.back().error != Error::None)
                break;
        }
        if (semicolon == std::string_view::npos)
            break;
        line.remove_prefix(semicolon + 1);
    }
    return commands;
}

} // namespace Scpi
