// Parser and compiler for the ECMAScript grammar as libstdc++ reads it. Whatever this parser
// does not read makes the whole pattern "unread" rather than an error, so that the standard
// library decides about it and validity always agrees with it. What it reads but leaves to the
// library (back-references, lookahead and the like) it still reads to the end, so that the
// cost of the library's automaton is known before the library builds it.
//
// Each node of the syntax tree carries its size as the automaton will have it, worked out from
// its children as it is made: a pattern whose counted repeats would build too much is refused
// before anything is built, and compiling stays linear in the text and in the automaton.
#include <algorithm>
#include <map>
#include <unordered_map>

#include "search/regex/Program.h"
#include "search/regex/SpentCost.h"
#include "search/regex/Stack.h"

namespace regex {
namespace {

struct NotRead {};
struct TooLarge {};
struct LeaveToLibrary {};

[[noreturn]] void Unread() {
    throw NotRead{};
}

// Counts beyond this saturate: the automaton's size is then beyond any limit anyway.
constexpr uint64_t kMaxCount = 1'000'000;
// The parser and the emitter recurse once per level of nesting (some 500 bytes a level
// natively): a pattern nested deeper than the calling thread's stack allows is refused. What
// compiling needs besides, on top of the end of the stack.
constexpr size_t kCompileStack = 32 << 10;

// Where the recursion of compiling must stop, on the calling thread.
uintptr_t CompileStackFloor() {
    return StackEnd() + kStackReserve + kCompileStack;
}

void CheckStack(uintptr_t floor) {
    if (StackPosition() < floor) {
        throw TooLarge{};
    }
}

constexpr uint64_t kSaturated = uint64_t{1} << 40;

uint64_t Sum(uint64_t a, uint64_t b) {
    return std::min(a + b, kSaturated);
}
uint64_t Product(uint64_t a, uint64_t b) {
    return a == 0 || b <= kSaturated / a ? std::min(a * b, kSaturated) : kSaturated;
}

// What a node costs the library: the states of its automaton, those a path passes without
// touching the text, and a spent search's work (SpentCost). Worked out only for a pattern that
// goes to the library.
struct LibraryMeasure {
    uint64_t m_states = 1;
    uint64_t m_stepless = 0;
    SpentCost m_spent;
};

struct Ast {
    enum class EKind { Empty, Set, Assert, Concat, Alt, Star, Plus, Opt, Counted, Library };
    EKind m_kind = EKind::Empty;
    EOp m_assert = EOp::Jump;
    uint32_t m_set = 0;
    std::vector<uint32_t> m_children;
    uint64_t m_min = 0;
    uint64_t m_max = UINT64_MAX; // no upper bound
    bool m_lazy = false;
    // Worked out when the node is added, from its children: our automaton's nodes for it, the
    // height of its tree, and whether it can match the empty string.
    uint64_t m_nodes = 1;
    uint32_t m_height = 1;
    bool m_nullable = true;
    // The node is what a group holds: a capturing group, or one with "(?:".
    enum class EGroup : uint8_t { None, Plain, Capturing };
    EGroup m_group = EGroup::None;
};
using EKind = Ast::EKind;

bool Unbounded(const Ast& ast) {
    return ast.m_max == UINT64_MAX;
}

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

// What our emitter builds for each node (see CEmitter): a node per character, class,
// assertion or empty part, an alternative node per "|" and one end, a repeat per quantifier
// (and an end for "?"), and a counted repeat as its copies with a repeat per optional copy.
void Measure(Ast& ast, const std::vector<Ast>& all) {
    uint64_t nodes = 0;
    uint32_t height = 0;
    bool allNullable = true;
    bool anyNullable = false;
    for (const uint32_t child : ast.m_children) {
        const Ast& c = all[child];
        nodes = Sum(nodes, c.m_nodes);
        height = std::max(height, c.m_height);
        allNullable = allNullable && c.m_nullable;
        anyNullable = anyNullable || c.m_nullable;
    }
    ast.m_height = height + 1;
    switch (ast.m_kind) {
    case EKind::Set:
        nodes = 1;
        allNullable = false;
        break;
    case EKind::Empty:
    case EKind::Assert:
    case EKind::Library: // never built here; a lookahead or a back-reference may match empty
        nodes = 1;
        allNullable = true;
        break;
    case EKind::Concat:
        break;
    case EKind::Alt:
        nodes = Sum(nodes, ast.m_children.size());
        allNullable = anyNullable;
        break;
    case EKind::Star:
    case EKind::Plus:
    case EKind::Opt:
        nodes = Sum(nodes, ast.m_kind == EKind::Opt ? 2 : 1);
        allNullable = ast.m_kind != EKind::Plus || allNullable;
        break;
    case EKind::Counted: {
        const bool unbounded = Unbounded(ast);
        const uint64_t optional = unbounded ? 0 : ast.m_max - ast.m_min;
        const uint64_t copies = unbounded ? ast.m_min + 1 : ast.m_max;
        nodes = Sum(Product(copies, nodes), Sum(optional, 2));
        allNullable = ast.m_min == 0 || allNullable;
        break;
    }
    }
    ast.m_nodes = nodes;
    ast.m_nullable = allNullable;
}

// What the library makes of a node, as its compiler builds it (regex_compiler.tcc): a state per
// character, class or assertion, two more per capturing group and one per other group, an end
// per alternative of a sequence, an alternative and an end per "|", a repeat per quantifier
// (and an end for "?"), and a counted repeat as its operand once as written and once per copy,
// with a repeat per optional copy. A path passes alternatives and lazy repeats without a step
// (their first move needs no position). measures: those of the node's children.
LibraryMeasure MeasureForLibrary(const Ast& ast, const std::vector<LibraryMeasure>& measures) {
    LibraryMeasure m{0, 0, SpentCost{1, 0, 0, 0, 0, 0, 0}};
    std::optional<SpentCost> choice;
    for (const uint32_t child : ast.m_children) {
        const LibraryMeasure& c = measures[child];
        m.m_states = Sum(m.m_states, c.m_states);
        m.m_stepless = Sum(m.m_stepless, c.m_stepless);
        m.m_spent = Then(m.m_spent, c.m_spent); // the children in a row
        choice = choice ? Either(*choice, c.m_spent) : c.m_spent;
    }
    const SpentCost body = m.m_spent;
    const uint64_t lazy = ast.m_lazy ? 1 : 0;
    switch (ast.m_kind) {
    case EKind::Empty:
    case EKind::Assert:
        m = {1, 0, Passing()};
        break;
    case EKind::Set:
        m = {1, 0, Blocking()};
        break;
    case EKind::Concat:
        m.m_states = Sum(m.m_states, 1);
        break;
    case EKind::Alt: {
        const uint64_t bars = ast.m_children.size() - 1;
        m = {Sum(m.m_states, 2 * bars), Sum(m.m_stepless, bars), *choice};
        break;
    }
    case EKind::Star:
    case EKind::Plus:
    case EKind::Opt:
        m = {Sum(m.m_states, ast.m_kind == EKind::Opt ? 2 : 1), Sum(m.m_stepless, lazy),
             ast.m_kind == EKind::Star   ? Loop(body)
             : ast.m_kind == EKind::Plus ? Then(body, Loop(body))
                                         : Maybe(body)};
        break;
    case EKind::Counted: {
        const bool unbounded = Unbounded(ast);
        const uint64_t optional = unbounded ? 0 : ast.m_max - ast.m_min;
        const uint64_t copies = unbounded ? ast.m_min + 1 : ast.m_max;
        m.m_states = Sum(Product(copies + 1, m.m_states), Sum(optional, 2));
        m.m_stepless = Sum(Product(copies, m.m_stepless), Product(lazy, unbounded ? 1 : optional));
        m.m_spent =
            Then(Times(body, ast.m_min), unbounded ? Loop(body) : Times(Maybe(body), optional));
        break;
    }
    case EKind::Library:
        // A back-reference or escape (one state), or a lookahead: its operand, an accept state
        // and the lookahead itself, which searches its operand and passes.
        m.m_states = Sum(m.m_states, ast.m_children.empty() ? 1 : 2);
        m.m_spent = ast.m_children.empty() ? Passing() : Lookahead(body);
        break;
    }
    if (ast.m_group == Ast::EGroup::Capturing) {
        m.m_states = Sum(m.m_states, 2);
        m.m_spent = Captured(m.m_spent);
    } else if (ast.m_group == Ast::EGroup::Plain) {
        m.m_states = Sum(m.m_states, 1);
    }
    return m;
}

// Children come before their parents in the tree's list.
LibraryMeasure MeasureRootForLibrary(const std::vector<Ast>& ast, uint32_t root) {
    std::vector<LibraryMeasure> measures;
    measures.reserve(ast.size());
    for (const Ast& node : ast) {
        measures.push_back(MeasureForLibrary(node, measures));
    }
    return measures[root];
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
                compiled.m_program = Emit(root);
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
        EItem m_kind;
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

    Program Emit(uint32_t root);

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

// Builds the automaton the way the library's compiler does; see Program.h.
class CEmitter {
  public:
    explicit CEmitter(const std::vector<Ast>& ast) : m_ast(ast) {}

    Program Build(uint32_t root, std::vector<CCharSet> sets) {
        const Fragment body = Compile(root);
        Patch(body.m_end, Add({EOp::Match}));
        m_program.m_start = body.m_start;
        m_program.m_sets = std::move(sets);
        if ((m_program.m_nodes.size() << (2 * m_program.m_counters)) > kMaxMarks) {
            throw LeaveToLibrary{};
        }
        return std::move(m_program);
    }

  private:
    // A piece of automaton: entered at m_start; m_end's m_next is still to be set.
    struct Fragment {
        uint32_t m_start;
        uint32_t m_end;
    };

    // The parser has measured the automaton: this is a last guard.
    uint32_t Add(Node node) {
        if (m_program.m_nodes.size() >= kMaxNodes) {
            throw TooLarge{};
        }
        m_program.m_nodes.push_back(node);
        return static_cast<uint32_t>(m_program.m_nodes.size() - 1);
    }
    void Patch(uint32_t end, uint32_t target) { m_program.m_nodes[end].m_next = target; }
    Fragment Single(Node node) {
        const uint32_t index = Add(node);
        return {index, index};
    }

    Fragment Compile(uint32_t index) {
        CheckStack(m_stackFloor);
        const Ast& ast = m_ast[index];
        switch (ast.m_kind) {
        case EKind::Empty:
            return Single({EOp::Jump});
        case EKind::Set:
            return Single({.m_op = EOp::Char, .m_set = ast.m_set});
        case EKind::Assert:
            NoteAssertion(ast.m_assert);
            return Single({ast.m_assert});
        case EKind::Concat:
            return Concat(ast);
        case EKind::Alt:
            return Alternatives(ast);
        default:
            return Repetition(index);
        }
    }

    void NoteAssertion(EOp op) {
        m_program.m_lineEnd = m_program.m_lineEnd || op == EOp::LineEnd;
        m_program.m_wordBoundary =
            m_program.m_wordBoundary || op == EOp::WordBoundary || op == EOp::NotWordBoundary;
        m_program.m_lineBegin = m_program.m_lineBegin || op == EOp::LineBegin;
    }

    Fragment Concat(const Ast& ast) {
        Fragment whole = Compile(ast.m_children[0]);
        for (size_t i = 1; i < ast.m_children.size(); ++i) {
            const Fragment next = Compile(ast.m_children[i]);
            Patch(whole.m_end, next.m_start);
            whole.m_end = next.m_end;
        }
        return whole;
    }

    Fragment Alternatives(const Ast& ast) {
        std::vector<Fragment> parts;
        for (const uint32_t child : ast.m_children) {
            parts.push_back(Compile(child));
        }
        const uint32_t end = Add({EOp::Jump});
        uint32_t start = parts.back().m_start;
        for (size_t i = parts.size() - 1; i-- > 0;) {
            start = Add({.m_op = EOp::Alt, .m_next = start, .m_alt = parts[i].m_start});
        }
        for (const Fragment& part : parts) {
            Patch(part.m_end, end);
        }
        return {start, end};
    }

    // A quantifier; when its operand can be passed without consuming, every repeat node of it
    // counts its empty iterations as the library does.
    Fragment Repetition(uint32_t index) {
        const size_t first = m_program.m_nodes.size();
        const Fragment fragment = Quantify(m_ast[index]);
        const Ast& ast = m_ast[index];
        const bool loops = ast.m_kind == EKind::Star || ast.m_kind == EKind::Plus ||
                           (ast.m_kind == EKind::Counted && Unbounded(ast));
        if (loops && m_ast[ast.m_children[0]].m_nullable) {
            CountRepeats(first);
        }
        return fragment;
    }

    // Each call numbers at least the loop's own repeat: beyond kMaxCounters the pattern goes to
    // the library after at most that many passes over the automaton.
    void CountRepeats(size_t first) {
        for (size_t i = first; i < m_program.m_nodes.size(); ++i) {
            Node& node = m_program.m_nodes[i];
            if (node.m_op == EOp::Repeat && node.m_counter < 0) {
                if (m_program.m_counters == kMaxCounters) {
                    throw LeaveToLibrary{};
                }
                node.m_counter = static_cast<int8_t>(m_program.m_counters++);
            }
        }
    }

    Fragment Quantify(const Ast& ast) {
        const uint32_t operand = ast.m_children[0];
        switch (ast.m_kind) {
        case EKind::Star: {
            const Fragment body = Compile(operand);
            const uint32_t repeat = AddRepeat(body.m_start, ast.m_lazy);
            Patch(body.m_end, repeat);
            return {repeat, repeat};
        }
        case EKind::Plus: {
            const Fragment body = Compile(operand);
            const uint32_t repeat = AddRepeat(body.m_start, ast.m_lazy);
            Patch(body.m_end, repeat);
            return {body.m_start, repeat};
        }
        case EKind::Opt: {
            const Fragment body = Compile(operand);
            const uint32_t repeat = AddRepeat(body.m_start, ast.m_lazy);
            const uint32_t end = Add({EOp::Jump});
            Patch(body.m_end, end);
            Patch(repeat, end);
            return {repeat, end};
        }
        default:
            return Counted(ast, operand);
        }
    }

    uint32_t AddRepeat(uint32_t more, bool lazy) {
        return Add({.m_op = EOp::Repeat, .m_lazy = lazy, .m_alt = more});
    }

    // {n}, {n,} and {n,m}: n copies, then a loop over one more copy, or m - n optional copies
    // nested one inside the next.
    Fragment Counted(const Ast& ast, uint32_t operand) {
        const uint32_t start = Add({EOp::Jump});
        uint32_t end = start;
        const auto append = [&](Fragment piece) {
            Patch(end, piece.m_start);
            end = piece.m_end;
        };
        for (uint64_t i = 0; i < ast.m_min; ++i) {
            append(Compile(operand));
        }
        if (Unbounded(ast)) {
            const Fragment body = Compile(operand);
            const uint32_t repeat = AddRepeat(body.m_start, ast.m_lazy);
            Patch(body.m_end, repeat);
            append({repeat, repeat});
            return {start, end};
        }
        const uint32_t last = Add({EOp::Jump});
        for (uint64_t i = ast.m_min; i < ast.m_max; ++i) {
            const Fragment body = Compile(operand);
            const uint32_t repeat = AddRepeat(body.m_start, ast.m_lazy);
            Patch(repeat, last);
            append({repeat, body.m_end});
        }
        append({last, last});
        return {start, end};
    }

    const std::vector<Ast>& m_ast;
    uintptr_t m_stackFloor = CompileStackFloor();
    Program m_program;
};

Program CParser::Emit(uint32_t root) {
    return CEmitter(m_ast).Build(root, std::move(m_sets));
}

} // namespace

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
