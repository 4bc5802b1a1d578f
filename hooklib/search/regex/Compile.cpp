// Parser and compiler for the ECMAScript grammar as libstdc++ reads it. Whatever this parser
// does not recognise makes the whole pattern "not handled" rather than an error, so that the
// standard library decides about it and validity always agrees with it.
#include <algorithm>
#include <map>
#include <unordered_map>

#include "search/regex/Program.h"

namespace regex {
namespace {

struct NotHandled {};

[[noreturn]] void Refuse() {
    throw NotHandled{};
}

constexpr int kMaxCount = 1000;
constexpr int kMaxDepth = 100;
constexpr int kMaxQuantifiers = 8;
constexpr size_t kMaxNodes = 50000;

struct Ast {
    enum class EKind { Empty, Set, Assert, Concat, Alt, Star, Plus, Opt, Counted };
    EKind m_kind = EKind::Empty;
    EOp m_assert = EOp::Jump;
    uint32_t m_set = 0;
    std::vector<uint32_t> m_children;
    int m_min = 0;
    int m_max = -1; // -1: no upper bound
    bool m_lazy = false;
};
using EKind = Ast::EKind;

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

// An escaped character that stands for itself or a control character; refuses the rest.
wchar_t EscapedLiteral(wchar_t c, bool inBracket) {
    if (c == L'b' && !inBracket) {
        Refuse();
    }
    if (const auto control = ControlEscape(c)) {
        return *control;
    }
    if (c >= 128 || (c >= L'1' && c <= L'9') || c == L'c' || c == L'x' || c == L'u' || c == L'B' ||
        IsClassEscape(c)) {
        Refuse();
    }
    return c;
}

class CParser {
  public:
    explicit CParser(std::wstring_view text) : m_text(text) {}

    Program Parse() {
        const uint32_t root = Disjunction();
        if (!AtEnd()) {
            Refuse();
        }
        const bool topAlternation = m_ast[root].m_kind == EKind::Alt;
        Program program = Emit(root);
        program.m_topAlternation = topAlternation;
        return program;
    }

  private:
    bool AtEnd() const { return m_pos >= m_text.size(); }
    wchar_t Peek(size_t ahead = 0) const {
        return m_pos + ahead < m_text.size() ? m_text[m_pos + ahead] : L'\0';
    }
    bool Has(size_t ahead) const { return m_pos + ahead < m_text.size(); }
    wchar_t Take() {
        if (AtEnd()) {
            Refuse();
        }
        return m_text[m_pos++];
    }

    uint32_t Add(Ast node) {
        m_ast.push_back(std::move(node));
        return static_cast<uint32_t>(m_ast.size() - 1);
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
            Refuse();
        default:
            return std::nullopt; // ")", "|", quantifiers: the term ends here
        }
    }

    // Each character's set is made once per pattern: Migemo's expressions repeat characters.
    uint32_t Literal(wchar_t c) {
        if (const auto it = m_literalSets.find(c); it != m_literalSets.end()) {
            return AddSetNode(it->second);
        }
        const uint32_t node = AddSet(classic::SameLower(ToChar(c)));
        m_literalSets.emplace(c, m_ast[node].m_set);
        return node;
    }

    uint32_t Any() {
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
            return AddSet(ClassEscapeSet(c));
        }
        return Literal(EscapedLiteral(c, false));
    }

    uint32_t Group() {
        if (Peek() == L'?') {
            if (Peek(1) != L':') {
                Refuse(); // lookahead, or an error
            }
            m_pos += 2;
        }
        if (++m_depth > kMaxDepth) {
            Refuse();
        }
        const uint32_t inner = Disjunction();
        --m_depth;
        if (Take() != L')') {
            Refuse();
        }
        return inner;
    }

    enum class EItem { Char, Dash, Class, End };
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
    };

    uint32_t Bracket() {
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
            } else if (!Dash(state)) {
                break;
            }
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
            Refuse();
        }
        if (c != L'\\') {
            return {EItem::Char, c};
        }
        const wchar_t escaped = Take();
        if (IsClassEscape(escaped)) {
            return {EItem::Class, escaped};
        }
        return {EItem::Char, EscapedLiteral(escaped, true)};
    }

    // A dash after the first item: a range, the end ("-]"), or a literal dash. False at the end.
    bool Dash(BracketState& state) {
        const size_t mark = m_pos;
        const BracketItem next = NextBracketItem();
        if (next.m_kind == EItem::End) {
            state.Push(L'-');
            return false;
        }
        if (state.m_last == BracketState::ELast::Class || next.m_kind == EItem::Class) {
            Refuse(); // a class cannot bound a range
        }
        if (state.m_last == BracketState::ELast::None) {
            m_pos = mark; // a lone dash is a character; what follows is read again
            state.Push(L'-');
            return true;
        }
        const wchar_t last = next.m_kind == EItem::Dash ? L'-' : next.m_char;
        if (state.m_pending > last) {
            Refuse(); // an invalid range, which the library reports
        }
        state.m_set.Add(classic::RangeIcase(ToChar(state.m_pending), ToChar(last)));
        state.m_last = BracketState::ELast::None;
        return true;
    }

    uint32_t Quantified(uint32_t atom) {
        for (int count = 0; const auto quantifier = Quantifier(); ++count) {
            if (count == kMaxQuantifiers) {
                Refuse();
            }
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
            node.m_max = Peek() == L'}' ? -1 : Count();
        }
        if (Take() != L'}' || (node.m_max >= 0 && node.m_max < node.m_min)) {
            Refuse();
        }
    }

    int Count() {
        int value = 0;
        size_t digits = 0;
        for (; !AtEnd() && Peek() >= L'0' && Peek() <= L'9'; ++m_pos, ++digits) {
            value = value * 10 + (Peek() - L'0');
            if (value > kMaxCount) {
                Refuse();
            }
        }
        if (digits == 0) {
            Refuse();
        }
        return value;
    }

    Program Emit(uint32_t root);

    std::wstring_view m_text;
    size_t m_pos = 0;
    int m_depth = 0;
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
        if (m_program.m_counters > kMaxCounters) {
            Refuse();
        }
        return std::move(m_program);
    }

  private:
    // A piece of automaton: entered at m_start; m_end's m_next is still to be set.
    struct Fragment {
        uint32_t m_start;
        uint32_t m_end;
    };

    uint32_t Add(Node node) {
        if (m_program.m_nodes.size() >= kMaxNodes) {
            Refuse();
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
        m_program.m_positional = m_program.m_positional || op != EOp::LineBegin;
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
                           (ast.m_kind == EKind::Counted && ast.m_max < 0);
        if (loops && Nullable(ast.m_children[0])) {
            CountRepeats(first);
        }
        return fragment;
    }

    void CountRepeats(size_t first) {
        for (size_t i = first; i < m_program.m_nodes.size(); ++i) {
            Node& node = m_program.m_nodes[i];
            if (node.m_op == EOp::Repeat && node.m_counter < 0) {
                node.m_counter = static_cast<int8_t>(std::min(m_program.m_counters++, 100));
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
        for (int i = 0; i < ast.m_min; ++i) {
            append(Compile(operand));
        }
        if (ast.m_max < 0) {
            const Fragment body = Compile(operand);
            const uint32_t repeat = AddRepeat(body.m_start, ast.m_lazy);
            Patch(body.m_end, repeat);
            append({repeat, repeat});
            return {start, end};
        }
        const uint32_t last = Add({EOp::Jump});
        for (int i = ast.m_min; i < ast.m_max; ++i) {
            const Fragment body = Compile(operand);
            const uint32_t repeat = AddRepeat(body.m_start, ast.m_lazy);
            Patch(repeat, last);
            append({repeat, body.m_end});
        }
        append({last, last});
        return {start, end};
    }

    bool Nullable(uint32_t index) const {
        const Ast& ast = m_ast[index];
        switch (ast.m_kind) {
        case EKind::Set:
            return false;
        case EKind::Concat:
            return std::all_of(ast.m_children.begin(), ast.m_children.end(),
                               [&](uint32_t child) { return Nullable(child); });
        case EKind::Alt:
            return std::any_of(ast.m_children.begin(), ast.m_children.end(),
                               [&](uint32_t child) { return Nullable(child); });
        case EKind::Plus:
            return Nullable(ast.m_children[0]);
        case EKind::Counted:
            return ast.m_min == 0 || Nullable(ast.m_children[0]);
        default:
            return true; // empty, assertions, "*" and "?"
        }
    }

    const std::vector<Ast>& m_ast;
    Program m_program;
};

Program CParser::Emit(uint32_t root) {
    return CEmitter(m_ast).Build(root, std::move(m_sets));
}

} // namespace

std::optional<Program> CompileProgram(std::wstring_view pattern) {
    try {
        return CParser(pattern).Parse();
    } catch (const NotHandled&) {
        return std::nullopt;
    }
}

} // namespace regex
