#pragma once
// Texts meant to cost the search the most: loops that may go round empty, nested and in a row,
// counted repeats up to the limits, nesting as deep as the text allows, long alternations, huge
// classes, back-references and lookahead; Migemo-like expressions of thousands of characters;
// and for each text, names of 259 characters made of what the text tries hardest on.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

class CHostileGenerator {
  public:
    explicit CHostileGenerator(uint64_t seed) : m_random(seed) {}

    // A typed text: mostly of at most 259 characters (what the input dialog takes), sometimes
    // of thousands (a text typed on).
    std::wstring Text();
    // An expression shaped like Migemo's answer, of hundreds to thousands of characters.
    std::wstring MigemoExpression();
    // count names of 259 characters, a few different ones, built from the characters of text.
    std::vector<std::wstring> Names(const std::wstring& text, size_t count);

  private:
    size_t Below(size_t bound) { return static_cast<size_t>(m_random() % bound); }
    bool Chance(size_t percent) { return Below(100) < percent; }
    template <typename T, size_t N> const T& Pick(const T (&items)[N]) { return items[Below(N)]; }

    std::wstring Text(size_t maxLength);
    std::wstring Family(size_t maxLength);
    std::wstring Piece(int depth, size_t budget);
    std::wstring Atom();
    std::wstring Quantifier();
    std::wstring Count();
    std::wstring EmptyLoops(size_t maxLength);
    std::wstring DeepNesting(size_t maxLength);
    std::wstring Alternation(size_t maxLength);
    std::wstring HugeClass(size_t maxLength);
    std::wstring BackReferences(size_t maxLength);
    std::wstring Lookaheads(size_t maxLength);
    std::wstring NestedCounts();
    std::wstring Repeated(size_t maxLength);
    std::wstring MigemoWord(int depth);
    std::wstring Name(const std::wstring& pool);

    std::mt19937_64 m_random;
};
