// The emitter: the automaton of a syntax tree the parser has read and measured (Compile.cpp).
#include "search/regex/Ast.h"

namespace regex {
namespace {

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
    void Patch(uint32_t node, uint32_t target) { m_program.m_nodes[node].m_next = target; }
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

} // namespace

Program EmitProgram(const std::vector<Ast>& ast, uint32_t root, std::vector<CCharSet> sets) {
    return CEmitter(ast).Build(root, std::move(sets));
}

} // namespace regex
