// Parser and compiler for the ECMAScript grammar as libstdc++ reads it. Whatever this parser
// does not read makes the whole pattern "unread" rather than an error, so that the standard
// library decides about it and validity always agrees with it. What it reads but leaves to the
// library (back-references, lookahead and the like) it still reads to the end, so that the
// cost of the library's automaton is known before the library builds it.
//
// Each node of the syntax tree carries its size as the automaton will have it, worked out from
// its children as it is made: a pattern whose counted repeats would build too much is refused
// before anything is built, and compiling stays linear in the text and in the automaton.
//
// The parser is this file; the measures of the tree's nodes and the emitter of the automaton
// are in Measure.cpp and Emit.cpp (see Ast.h).
#include <algorithm>
#include <map>
#include <unordered_map>

#include "search/regex/Ast.h"
#include "search/regex/Stack.h"

namespace regex {
namespace {

struct NotRead {};

[[noreturn]] void Unread() {
    throw NotRead{};
}

// Counts beyond this saturate: the automaton's size is then beyond any limit anyway.
constexpr uint64_t kMaxCount = 1'000'000;
// The parser and the emitter recurse once per level of nesting (some 500 bytes a level
// natively): a pattern nested deeper than the calling thread's stack allows is refused. What
// compiling needs besides, on top of the end of the stack.
constexpr size_t kCompileStack = 32 << 10;

bool IsSpecial(wchar_t c) {
    return c == 0 ||
           (c < 128 && std::wstring_view(L"^$\\.*+?()[]{}|").find(c) != std::wstring_view::npos);
}

// Escapes with a fixed meaning (besides "\b", which outside brackets is a word boundary).
std::optional<wchar_t> ControlEscape(wchar_t c) {
    switch (c) {
    case L'0':
        return L'\0';
    case L'b':
        return L'\b';
    case L'f':
        return L'\f';
    case L'n':
        return L'\n';
    case L'r':
        return L'\r';
    case L't':
        return L'\t';
    case L'v':
        return L'\v';
    default:
        return std::nullopt;
    }
}

bool IsClassEscape(wchar_t c) {
    return std::wstring_view(L"dDsSwW").find(c) != std::wstring_view::npos;
}

const CCharSet& ClassSet(wchar_t c) {
    switch (c | 0x20) {
    case L'd':
        return classic::Digits();
    case L's':
        return classic::Spaces();
    default:
        return classic::WordChars();
    }
}

// "\d" and the like: the class, or its complement for the upper-case letter.
CCharSet ClassEscapeSet(wchar_t c) {
    return c >= L'a' ? ClassSet(c) : ClassSet(c).Complement();
}

std::optional<uint32_t> HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if ((c | 0x20) >= L'a' && (c | 0x20) <= L'f') {
        return (c | 0x20) - L'a' + 10;
    }
    return std::nullopt;
}

class CParser {
  public:
    explicit CParser(std::wstring_view text) : m_text(text) {}

    Compiled Parse() {
        const uint32_t root = Disjunction();
        if (!AtEnd()) {
            Unread();
        }
        const Ast& top = m_ast[root];
        Compiled compiled;
        if (!m_libraryOnly) {
            try {
                const bool topAlternation = top.m_kind == EKind::Alt;
                compiled.m_program = EmitProgram(m_ast, root, std::move(m_sets));
                compiled.m_program->m_topAlternation = topAlternation;
                compiled.m_kind = ECompiled::Engine;
                return compiled;
            } catch (const LeaveToLibrary&) {
            }
        }
        const LibraryMeasure measure = MeasureRootForLibrary(m_ast, root);
        compiled.m_kind = ECompiled::Library;
        compiled.m_library = {measure.m_states,        measure.m_stepless, measure.m_spent.Work(),
                              measure.m_spent.Depth(), top.m_height,       m_readSteps};
        return compiled;
    }

  private:
    bool AtEnd() const { return m_pos >= m_text.size(); }
    wchar_t Peek(size_t ahead = 0) const {
        return m_pos + ahead < m_text.size() ? m_text[m_pos + ahead] : L'\0';
    }
    bool Has(size_t ahead) const { return m_pos + ahead < m_text.size(); }
    wchar_t Take() {
        if (AtEnd()) {
            Unread();
        }
        return m_text[m_pos++];
    }

    // Refuses the node, and with it the pattern, when it would build more than either engine
    // may, or nest deeper. Each leaf of the tree builds a node of the automaton and each other
    // node has two children or more, but for groups and quantifiers: a tree of more nodes than
    // twice the automaton's limit, and some, would build too much, and is refused as it grows
    // (a flat text of a million characters is not read to its end).
    uint32_t Add(Ast node) {
        Measure(node, m_ast);
        if (node.m_nodes > kMaxNodes || node.m_height > kMaxHeight ||
            m_ast.size() > 2 * kMaxNodes + kMaxHeight) {
            throw TooLarge{};
        }
        m_ast.push_back(std::move(node));
        return static_cast<uint32_t>(m_ast.size() - 1);
    }

    // What only the library reads: the pattern is read on for its cost, and left to it.
    uint32_t AddLibrary(std::vector<uint32_t> children = {}) {
        m_libraryOnly = true;
        Ast node;
        node.m_kind = EKind::Library;
        node.m_children = std::move(children);
        return Add(std::move(node));
    }

    uint32_t AddSet(CCharSet set) {
        set.Normalize();
        // A Migemo expression repeats its sets often: the key is copied only for a new one.
        const auto [it, added] = m_setIndex.try_emplace(set.Intervals(), m_sets.size());
        if (added) {
            m_sets.push_back(std::move(set));
        }
        return AddSetNode(it->second);
    }

    uint32_t AddSetNode(size_t set) {
        Ast node;
        node.m_kind = EKind::Set;
        node.m_set = static_cast<uint32_t>(set);
        return Add(std::move(node));
    }

    uint32_t Disjunction() {
        Ast alt;
        alt.m_kind = EKind::Alt;
        alt.m_children.push_back(Alternative());
        while (Has(0) && Peek() == L'|') {
            ++m_pos;
            alt.m_children.push_back(Alternative());
        }
        return alt.m_children.size() == 1 ? alt.m_children[0] : Add(std::move(alt));
    }

    uint32_t Alternative() {
        Ast concat;
        concat.m_kind = EKind::Concat;
        while (const auto term = Term()) {
            concat.m_children.push_back(*term);
        }
        return concat.m_children.empty() ? Add(Ast{}) : Add(std::move(concat));
    }

    std::optional<uint32_t> Term() {
        if (AtEnd()) {
            return std::nullopt;
        }
        if (const auto assertion = Assertion()) {
            Ast node;
            node.m_kind = EKind::Assert;
            node.m_assert = *assertion;
            return Add(std::move(node));
        }
        if (Peek() == L'(' && Peek(1) == L'?' && (Peek(2) == L'=' || Peek(2) == L'!')) {
            m_pos += 3;
            return AddLibrary({GroupBody()}); // an assertion: no quantifier may follow
        }
        const auto atom = Atom();
        if (!atom) {
            return std::nullopt;
        }
        return Quantified(*atom);
    }

    std::optional<EOp> Assertion() {
        const wchar_t c = Peek();
        if (c == L'^' || c == L'$') {
            ++m_pos;
            return c == L'^' ? EOp::LineBegin : EOp::LineEnd;
        }
        if (c == L'\\' && (Peek(1) == L'b' || Peek(1) == L'B')) {
            const bool boundary = Peek(1) == L'b';
            m_pos += 2;
            return boundary ? EOp::WordBoundary : EOp::NotWordBoundary;
        }
        return std::nullopt;
    }

    std::optional<uint32_t> Atom() {
        const wchar_t c = Peek();
        if (!IsSpecial(c) || c == L']' || c == L'}') {
            ++m_pos;
            return Literal(c);
        }
        switch (c) {
        case L'.':
            ++m_pos;
            return Any();
        case L'\\':
            ++m_pos;
            return Escape();
        case L'(':
            ++m_pos;
            return Group();
        case L'[':
            ++m_pos;
            return Bracket();
        case L'\0':
            Unread();
        default:
            return std::nullopt; // ")", "|", quantifiers: the term ends here
        }
    }

    // What the library's test of a character costs, by the slowest test of the pattern, in steps
    // of the budget (measured natively: a character some 10 ns, "." some 50, a class or
    // bracket of wide characters some 100, for the classic locale's lookups it makes). A
    // position read is most often read for something cheaper too: "." counts half.
    static constexpr uint64_t kCharRead = 8;
    static constexpr uint64_t kAnyRead = 24;
    static constexpr uint64_t kClassRead = 96;
    void NoteRead(uint64_t steps) { m_readSteps = std::max(m_readSteps, steps); }

    // Each character's set is made once per pattern: Migemo's expressions repeat characters.
    uint32_t Literal(wchar_t c) {
        NoteRead(kCharRead);
        if (const auto it = m_literalSets.find(c); it != m_literalSets.end()) {
            return AddSetNode(it->second);
        }
        const uint32_t node = AddSet(classic::SameLower(ToChar(c)));
        m_literalSets.emplace(c, m_ast[node].m_set);
        return node;
    }

    uint32_t Any() {
        NoteRead(kAnyRead);
        CCharSet terminators;
        for (const wchar_t c : {L'\n', L'\r', L'\u2028', L'\u2029'}) {
            terminators.Add(classic::SameLower(ToChar(c)));
        }
        terminators.Normalize();
        return AddSet(terminators.Complement());
    }

    uint32_t Escape() {
        const wchar_t c = Take();
        if (IsClassEscape(c)) {
            NoteRead(kClassRead);
            return AddSet(ClassEscapeSet(c));
        }
        if (const auto literal = EscapedChar(c, false)) {
            return Literal(*literal);
        }
        NoteRead(kCharRead); // a back-reference compares characters by the classic locale
        for (; !AtEnd() && classic::Digits().Contains(ToChar(Peek())); ++m_pos) {
        }
        return AddLibrary();
    }

    // The character an escape stands for, as the library's scanner reads it
    // (regex_scanner.tcc): a control escape, "\xHH", "\uHHHH", "\cX" (the character X itself
    // there), or any other character but a class, a boundary or a digit, which is a
    // back-reference (digits of the classic locale: on msvcrt, some non-ASCII ones too).
    // Nothing for a back-reference; its first digit is read.
    std::optional<wchar_t> EscapedChar(wchar_t c, bool inBracket) {
        if (c == L'B' && inBracket) {
            Unread(); // an error, which the library reports
        }
        if (const auto control = ControlEscape(c)) {
            return *control;
        }
        if (c == L'c') {
            return Take();
        }
        if (c == L'x' || c == L'u') {
            uint32_t value = 0;
            for (int i = c == L'x' ? 2 : 4; i > 0; --i) {
                const std::optional<uint32_t> digit = HexValue(Take());
                if (!digit) {
                    Unread(); // an error, or a digit of the classic locale beyond ASCII
                }
                value = value * 16 + *digit;
            }
            return static_cast<wchar_t>(value);
        }
        if (classic::Digits().Contains(ToChar(c))) {
            return std::nullopt;
        }
        return c;
    }

    uint32_t Group() {
        bool capturing = true;
        if (Peek() == L'?') {
            if (Peek(1) != L':') {
                Unread(); // an error: lookahead is read as an assertion
            }
            m_pos += 2;
            capturing = false;
        }
        const uint32_t inner = GroupBody();
        m_ast[inner].m_group = capturing ? Ast::EGroup::Capturing : Ast::EGroup::Plain;
        return inner;
    }

    // Up to the closing parenthesis. Each group is a level of the tree: the nesting is bounded
    // here already, before the recursion of the parser goes deeper.
    uint32_t GroupBody() {
        if (++m_depth > kMaxHeight) {
            throw TooLarge{};
        }
        CheckStack(m_stackFloor);
        const uint32_t inner = Disjunction();
        --m_depth;
        if (Take() != L')') {
            Unread();
        }
        return inner;
    }

    enum class EItem { Char, Dash, Class, Library, End };
    struct BracketItem {
        EItem m_kind = EItem::End;
        wchar_t m_char = 0;
    };

    // What the bracket holds so far; the last single character may still start a range.
    struct BracketState {
        enum class ELast { None, Char, Class };
        CCharSet m_set;
        ELast m_last = ELast::None;
        wchar_t m_pending = 0;

        void Flush() {
            if (m_last == ELast::Char) {
                m_set.Add(classic::SameLower(ToChar(m_pending)));
            }
        }
        void Push(wchar_t c) {
            Flush();
            m_last = ELast::Char;
            m_pending = c;
        }
        void PushClass(wchar_t c) {
            Flush();
            m_last = ELast::Class;
            m_set.Add(ClassEscapeSet(c));
        }
        // Of what only the library reads: the bracket is left to it.
        void PushOther() {
            Flush();
            m_last = ELast::Class;
        }
    };

    uint32_t Bracket() {
        NoteRead(kClassRead);
        const bool negated = !AtEnd() && Peek() == L'^';
        m_pos += negated ? 1 : 0;
        BracketState state;
        BracketItem item = NextBracketItem();
        if (item.m_kind == EItem::Dash) {
            item = {EItem::Char, L'-'}; // a leading dash is a character
        }
        for (; item.m_kind != EItem::End; item = NextBracketItem()) {
            if (item.m_kind == EItem::Char) {
                state.Push(item.m_char);
            } else if (item.m_kind == EItem::Class) {
                state.PushClass(item.m_char);
            } else if (item.m_kind == EItem::Library) {
                state.PushOther();
            } else if (!Dash(state)) {
                break;
            }
        }
        if (m_libraryOnly) {
            return AddLibrary();
        }
        state.Flush();
        state.m_set.Normalize();
        return AddSet(negated ? state.m_set.Complement() : state.m_set);
    }

    BracketItem NextBracketItem() {
        const wchar_t c = Take();
        if (c == L'-') {
            return {EItem::Dash};
        }
        if (c == L']') {
            return {EItem::End};
        }
        if (c == L'[' && (AtEnd() || Peek() == L'.' || Peek() == L':' || Peek() == L'=')) {
            SkipBracketClass();
            return {EItem::Library};
        }
        if (c != L'\\') {
            return {EItem::Char, c};
        }
        const wchar_t escaped = Take();
        if (IsClassEscape(escaped)) {
            return {EItem::Class, escaped};
        }
        if (const auto literal = EscapedChar(escaped, true)) {
            return {EItem::Char, *literal};
        }
        for (; !AtEnd() && classic::Digits().Contains(ToChar(Peek())); ++m_pos) {
        }
        m_libraryOnly = true;
        return {EItem::Library};
    }

    // "[:name:]", "[.name.]" or "[=name=]" after "[", as the library's scanner takes them.
    void SkipBracketClass() {
        const wchar_t kind = Take();
        while (Take() != kind) {
        }
        if (Take() != L']') {
            Unread();
        }
        m_libraryOnly = true;
    }

    // A dash after the first item: a range, the end ("-]"), or a literal dash. False at the end.
    bool Dash(BracketState& state) {
        const size_t mark = m_pos;
        const BracketItem next = NextBracketItem();
        if (next.m_kind == EItem::End) {
            state.Push(L'-');
            return false;
        }
        if (state.m_last == BracketState::ELast::Class || next.m_kind == EItem::Class ||
            next.m_kind == EItem::Library) {
            Unread(); // a class cannot bound a range; the library reports it
        }
        if (state.m_last == BracketState::ELast::None) {
            m_pos = mark; // a lone dash is a character; what follows is read again
            state.Push(L'-');
            return true;
        }
        const wchar_t last = next.m_kind == EItem::Dash ? L'-' : next.m_char;
        if (state.m_pending > last) {
            Unread(); // an invalid range, which the library reports
        }
        state.m_set.Add(classic::RangeIcase(ToChar(state.m_pending), ToChar(last)));
        state.m_last = BracketState::ELast::None;
        return true;
    }

    // Each quantifier is a level of the tree: their number is bounded by the height.
    uint32_t Quantified(uint32_t atom) {
        while (const auto quantifier = Quantifier()) {
            Ast node = *quantifier;
            node.m_children = {atom};
            atom = Add(std::move(node));
        }
        return atom;
    }

    std::optional<Ast> Quantifier() {
        Ast node;
        const wchar_t c = Peek();
        if (AtEnd() || (c != L'*' && c != L'+' && c != L'?' && c != L'{')) {
            return std::nullopt;
        }
        ++m_pos;
        if (c == L'{') {
            Counted(node);
        } else {
            node.m_kind = c == L'*' ? EKind::Star : c == L'+' ? EKind::Plus : EKind::Opt;
        }
        node.m_lazy = !AtEnd() && Peek() == L'?';
        m_pos += node.m_lazy ? 1 : 0;
        return node;
    }

    void Counted(Ast& node) {
        node.m_kind = EKind::Counted;
        node.m_min = Count();
        node.m_max = node.m_min;
        if (Peek() == L',' && !AtEnd()) {
            ++m_pos;
            node.m_max = Peek() == L'}' ? UINT64_MAX : Count();
        }
        if (Take() != L'}' || (!Unbounded(node) && node.m_max < node.m_min)) {
            Unread();
        }
    }

    uint64_t Count() {
        uint64_t value = 0;
        size_t digits = 0;
        for (; !AtEnd() && Peek() >= L'0' && Peek() <= L'9'; ++m_pos, ++digits) {
            value = std::min(value * 10 + static_cast<uint64_t>(Peek() - L'0'), kMaxCount);
        }
        if (digits == 0) {
            Unread();
        }
        return value;
    }

    std::wstring_view m_text;
    size_t m_pos = 0;
    uint32_t m_depth = 0;
    uintptr_t m_stackFloor = CompileStackFloor();
    bool m_libraryOnly = false;
    uint64_t m_readSteps = 0;
    std::vector<Ast> m_ast;
    std::vector<CCharSet> m_sets;
    std::map<std::vector<CCharSet::Interval>, size_t> m_setIndex;
    std::unordered_map<wchar_t, size_t> m_literalSets;
};

} // namespace

uintptr_t CompileStackFloor() {
    return StackEnd() + kStackReserve + kCompileStack;
}

void CheckStack(uintptr_t floor) {
    if (StackPosition() < floor) {
        throw TooLarge{};
    }
}

Compiled CompileProgram(std::wstring_view pattern) {
    try {
        return CParser(pattern).Parse();
    } catch (const NotRead&) {
        return {ECompiled::Unread, std::nullopt, {}};
    } catch (const TooLarge&) {
        return {ECompiled::TooLarge, std::nullopt, {}};
    }
}

} // namespace regex
