#include "notation/Equation.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace notation {

namespace {

constexpr int kMaxOrder = 99;     // apostrophes after one Y
constexpr int kMaxNesting = 100;  // parentheses inside each other
constexpr std::uint32_t kSlotX = 0, kSlotA = 1, kSlotSink = 2, kSlotY0 = 3;

struct FunctionName {
    const char *name;
    Op op;
};
constexpr FunctionName kFunctions[] = {
    {"SIN", Op::Sin},   {"COS", Op::Cos},   {"TAN", Op::Tan},     {"ASIN", Op::Asin},
    {"ACOS", Op::Acos}, {"ATAN", Op::Atan}, {"SINH", Op::Sinh},   {"COSH", Op::Cosh},
    {"TANH", Op::Tanh}, {"EXP", Op::Exp},   {"LOG", Op::Log},     {"LOG10", Op::Log10},
    {"SQRT", Op::Sqrt}, {"ABS", Op::Abs},
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool isUnary(Op op) { return op >= Op::Neg && op <= Op::Abs; }

// Integer power by repeated squaring; n may be negative.
inline double ipow(double a, int n) {
    if (n == 1) return a;  // squares, the common case, without the loop (same bits)
    unsigned m = n < 0 ? unsigned(-n) : unsigned(n);
    double r = 1;
    while (m) {
        if (m & 1u) r *= a;
        a *= a;
        m >>= 1;
    }
    return n < 0 ? 1 / r : r;
}

// The value of one operation.
inline double apply(Op op, double a, double b) {
    switch (op) {
    case Op::Add: return a + b;
    case Op::Sub: return a - b;
    case Op::Mul: return a * b;
    case Op::Div: return a / b;
    case Op::Pow:
    case Op::PowConst: return std::pow(a, b);
    case Op::PowInt: {
        // Computed as applyWithPartials does, so both give the same bits.
        const int n = int(b);
        return n == 0 ? 1.0 : ipow(a, n - 1) * a;
    }
    case Op::Neg: return -a;
    case Op::Sin: return std::sin(a);
    case Op::Cos: return std::cos(a);
    case Op::Tan: return std::tan(a);
    case Op::Asin: return std::asin(a);
    case Op::Acos: return std::acos(a);
    case Op::Atan: return std::atan(a);
    case Op::Sinh: return std::sinh(a);
    case Op::Cosh: return std::cosh(a);
    case Op::Tanh: return std::tanh(a);
    case Op::Exp: return std::exp(a);
    case Op::Log: return std::log(a);
    case Op::Log10: return std::log10(a);
    case Op::Sqrt: return std::sqrt(a);
    case Op::Abs: return std::fabs(a);
    }
    return 0;
}

// The value of one operation and its partial derivatives with respect to both operands.
inline double applyWithPartials(Op op, double a, double b, double &pa, double &pb) {
    pb = 0;
    switch (op) {
    case Op::Add: pa = 1; pb = 1; return a + b;
    case Op::Sub: pa = 1; pb = -1; return a - b;
    case Op::Mul: pa = b; pb = a; return a * b;
    case Op::Div: {
        const double r = a / b;
        pa = 1 / b;
        pb = -r / b;
        return r;
    }
    case Op::Pow: {
        const double r = std::pow(a, b);
        pa = b == 0 ? 0 : b * std::pow(a, b - 1);
        pb = a > 0 ? r * std::log(a) : 0;
        return r;
    }
    case Op::PowConst: {
        const double r = std::pow(a, b);
        pa = b * std::pow(a, b - 1);
        return r;
    }
    case Op::PowInt: {
        const int n = int(b);
        const double p = ipow(a, n - 1);
        pa = n * p;
        return n == 0 ? 1.0 : p * a;
    }
    case Op::Neg: pa = -1; return -a;
    case Op::Sin: pa = std::cos(a); return std::sin(a);
    case Op::Cos: pa = -std::sin(a); return std::cos(a);
    case Op::Tan: {
        const double r = std::tan(a);
        pa = 1 + r * r;
        return r;
    }
    case Op::Asin: pa = 1 / std::sqrt(1 - a * a); return std::asin(a);
    case Op::Acos: pa = -1 / std::sqrt(1 - a * a); return std::acos(a);
    case Op::Atan: pa = 1 / (1 + a * a); return std::atan(a);
    case Op::Sinh: pa = std::cosh(a); return std::sinh(a);
    case Op::Cosh: pa = std::sinh(a); return std::cosh(a);
    case Op::Tanh: {
        const double r = std::tanh(a);
        pa = 1 - r * r;
        return r;
    }
    case Op::Exp: {
        const double r = std::exp(a);
        pa = r;
        return r;
    }
    case Op::Log: pa = 1 / a; return std::log(a);
    case Op::Log10: pa = 1 / (a * 2.302585092994045684); return std::log10(a);
    case Op::Sqrt: {
        const double r = std::sqrt(a);
        pa = 0.5 / r;
        return r;
    }
    case Op::Abs: pa = a > 0 ? 1.0 : (a < 0 ? -1.0 : 0.0); return std::fabs(a);
    }
    pa = 0;
    return 0;
}

// How the value in slot `result` depends on the input slot `var`, from the stored steps:
// each slot is free of var, affine in it with a constant slope (var times numbers only),
// affine with a slope that varies, or anything else. Sums keep the larger class (two
// constant slopes add up to one), a product or quotient stays affine only with a factor or
// divisor free of var (a constant slope only when that is a number), and a function or a
// power of anything that depends on var is not affine (x^1 excepted).
// Returns 0 for not affine, 1 for affine, 2 for affine with a constant slope.
int affineIn(const std::vector<Step> &steps, std::uint32_t var, std::uint32_t nSlots,
             const std::vector<bool> &known, const std::vector<double> &values,
             std::uint32_t result) {
    constexpr std::uint8_t Free = 0, ConstSlope = 1, Affine = 2, Other = 3;
    std::vector<std::uint8_t> dep(nSlots, Free);
    dep[var] = ConstSlope;
    auto scaled = [&](std::uint8_t a, std::uint32_t factor) {
        return a == ConstSlope && !known[factor] ? Affine : a;
    };
    for (const Step &s : steps) {
        const std::uint8_t a = dep[s.a], b = isUnary(s.op) ? Free : dep[s.b];
        std::uint8_t r = Other;
        switch (s.op) {
        case Op::Add:
        case Op::Sub: r = std::max(a, b); break;
        case Op::Neg: r = a; break;
        case Op::Mul:
            if (a == Free) r = scaled(b, s.a);
            else if (b == Free) r = scaled(a, s.b);
            break;
        case Op::Div:
            if (b == Free) r = scaled(a, s.b);
            break;
        case Op::Pow:
            if (a == Free && b == Free) r = Free;
            else if (b == Free && known[s.b] && values[s.b] == 1) r = a;
            break;
        default: r = a == Free ? Free : Other; break;
        }
        dep[s.result] = r;
    }
    return dep[result] == Other ? 0 : dep[result] == ConstSlope ? 2 : dep[result] == Affine ? 1 : 0;
}

// A piece of the equation quoted in a message, cut short when it is long.
std::string quoted(std::string s) {
    if (s.size() > 24) s = s.substr(0, 20) + "...";
    return s;
}

std::string functionList() {
    std::string s;
    for (const auto &f : kFunctions) {
        if (!s.empty()) s += ' ';
        s += f.name;
    }
    return s;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Tokenizer and parser

class Parser {
public:
    Parser(Equation &eq) : eq_(eq), text_(eq.text_) {}

    void run() {
        tokenize();
        if (eq_.tokens_.empty())
            throw ParseError(1, "The equation is empty: type an equation in X, Y, Y', Y'', ...");
        layOutSlots();

        std::uint32_t left = sequence(nullptr);
        std::uint32_t result = left;
        const Token *t = peek();
        if (t && t->kind == Token::Close)
            throw ParseError(t->column, "Unbalanced parenthesis: this ')' has no matching '('");
        if (t && t->kind == Token::Equals) {
            const Token &eqTok = *t;
            ++pos_;
            std::uint32_t right = sequence(&eqTok);
            t = peek();
            if (t && t->kind == Token::Equals)
                throw ParseError(t->column, "Only one '=' is allowed in an equation");
            if (t && t->kind == Token::Close)
                throw ParseError(t->column, "Unbalanced parenthesis: this ')' has no matching '('");
            result = emit(Op::Sub, left, right, eqTok.column);
        }
        eq_.result_ = result;

        if (firstY_ == nullptr)
            throw ParseError(1, "The equation has no Y: state an equation in Y and its "
                                "derivatives Y', Y'', ...");
        if (eq_.order_ < 1)
            throw ParseError(firstY_->column, "The equation has no derivative of Y: write at "
                                              "least one Y' (or Y'', Y''', ...)");
    }

private:
    Equation &eq_;
    const std::string &text_;
    std::size_t pos_ = 0;
    int depth_ = 0;
    std::uint32_t nextConst_ = 0;
    const Token *firstY_ = nullptr;

    int endColumn() const { return int(text_.size()) + 1; }
    const Token *peek() const { return pos_ < eq_.tokens_.size() ? &eq_.tokens_[pos_] : nullptr; }

    void tokenize() {
        const std::string &s = text_;
        const std::size_t n = s.size();
        std::size_t i = 0;
        auto &toks = eq_.tokens_;
        toks.reserve(n / 2 + 2);  // a token takes at least one character and mostly a blank
        eq_.steps_.reserve(n / 2 + 2);
        while (i < n) {
            const char c = s[i];
            const int col = int(i) + 1;
            if (isBlank(c)) {
                ++i;
                continue;
            }
            Token t{};
            t.column = col;
            if (isDigit(c) || c == '.') {
                std::size_t j = i;
                int digits = 0;
                while (j < n && isDigit(s[j])) ++j, ++digits;
                if (j < n && s[j] == '.') {
                    ++j;
                    while (j < n && isDigit(s[j])) ++j, ++digits;
                }
                if (digits == 0)
                    throw ParseError(col, "A '.' must belong to a number such as .5 or 3.21");
                if (j < n && (s[j] == 'e' || s[j] == 'E')) {
                    std::size_t k = j + 1;
                    if (k < n && (s[k] == '+' || s[k] == '-')) ++k;
                    if (k < n && isDigit(s[k])) {
                        j = k;
                        while (j < n && isDigit(s[j])) ++j;
                    }
                }
                if (j < n && s[j] == '.')
                    throw ParseError(int(j) + 1, "A number has a second '.' here");
                double v = 0;
                const auto r = std::from_chars(s.data() + i, s.data() + j, v);
                if (r.ec != std::errc() || r.ptr != s.data() + j || !std::isfinite(v))
                    throw ParseError(col, "The number " + quoted(s.substr(i, j - i)) + " is out of range");
                t.kind = Token::Number;
                t.value = v;
                t.length = int(j - i);
                toks.push_back(t);
                i = j;
                continue;
            }
            if (isLetter(c)) {
                std::size_t j = i;
                std::string name;
                while (j < n && (isLetter(s[j]) || isDigit(s[j]))) name += upper(s[j++]);
                t.length = int(j - i);
                if (name == "Y") {
                    t.kind = Token::Y;
                    while (j < n && s[j] == '\'') ++j, ++t.order;
                    if (t.order > kMaxOrder)
                        throw ParseError(col, "Derivatives above the " + std::to_string(kMaxOrder) +
                                                  "th are not supported");
                    t.length = int(j - i);
                } else if (name == "X") {
                    t.kind = Token::X;
                } else if (name == "A") {
                    t.kind = Token::A;
                } else {
                    const FunctionName *f = nullptr;
                    for (const auto &fn : kFunctions)
                        if (name == fn.name) f = &fn;
                    if (!f) throw ParseError(col, unknownName(quoted(s.substr(i, j - i)), name));
                    t.kind = Token::Function;
                    t.function = int(f->op);
                }
                if (j < n && s[j] == '\'')
                    throw ParseError(int(j) + 1,
                                     "An apostrophe marks a derivative and may only follow Y");
                toks.push_back(t);
                i = j;
                continue;
            }
            t.length = 1;
            switch (c) {
            case '+': case '-': case '*': case '/': case '^':
                t.kind = Token::Operator;
                t.symbol = c;
                break;
            case '(': t.kind = Token::Open; break;
            case ')': t.kind = Token::Close; break;
            case '=': t.kind = Token::Equals; break;
            case '\'':
                throw ParseError(col, "An apostrophe marks a derivative and may only follow Y");
            default: {
                const unsigned char u = static_cast<unsigned char>(c);
                if (u >= 32 && u < 127)
                    throw ParseError(col, std::string("Unexpected character '") + c + "'");
                char buf[8];
                static const char hex[] = "0123456789ABCDEF";
                buf[0] = '0'; buf[1] = 'x'; buf[2] = hex[u >> 4]; buf[3] = hex[u & 15]; buf[4] = 0;
                throw ParseError(col, std::string("Unexpected character (code ") + buf +
                                          "); use plain letters, digits and + - * / ^ ( ) = '");
            }
            }
            toks.push_back(t);
            ++i;
        }
    }

    static std::string unknownName(const std::string &typed, const std::string &name) {
        bool glued = name.size() > 1 && (name[0] == 'X' || name[0] == 'Y' || name[0] == 'A');
        for (const auto &f : kFunctions)
            if (name.size() > std::strlen(f.name) && name.compare(0, std::strlen(f.name), f.name) == 0)
                glued = true;
        if (glued)
            return "Unknown name '" + typed + "': separate terms with a blank or *";
        return "Unknown name '" + typed + "': use X, Y, Y', Y'', ..., A, numbers and the functions " +
               functionList();
    }

    // Slots: X, A, sink, Y^(0..order), one per number, one per step.
    void layOutSlots() {
        int order = 0;
        std::uint32_t numbers = 0;
        for (const Token &t : eq_.tokens_) {
            if (t.kind == Token::Y) order = std::max(order, t.order);
            if (t.kind == Token::Number) ++numbers;
        }
        eq_.order_ = order;
        eq_.usesY_.assign(std::size_t(order) + 1, false);
        eq_.firstConst_ = kSlotY0 + std::uint32_t(order) + 1;
        eq_.firstTemp_ = eq_.firstConst_ + numbers;
        eq_.constValues_.assign(eq_.firstTemp_, 0.0);
        eq_.constText_.assign(numbers, std::string());
    }

    std::uint32_t emit(Op op, std::uint32_t a, std::uint32_t b, int column) {
        Step s;
        s.op = op;
        s.a = a;
        s.b = isUnary(op) ? kSlotSink : b;
        s.result = eq_.firstTemp_ + std::uint32_t(eq_.steps_.size());
        s.column = column;
        eq_.steps_.push_back(s);
        return s.result;
    }

    static bool startsTerm(const Token *t) {
        return t && (t->kind == Token::Number || t->kind == Token::X || t->kind == Token::A ||
                     t->kind == Token::Y || t->kind == Token::Function || t->kind == Token::Open);
    }

    [[noreturn]] void missingTerm(const Token *after) const {
        const Token *t = peek();
        const int col = t ? t->column : endColumn();
        std::string where;
        if (!t) where = " at the end of the equation";
        else if (t->kind == Token::Equals) where = " before '='";
        else if (t->kind == Token::Close) where = " before ')'";
        else if (t->kind == Token::Operator) where = std::string(" before '") + t->symbol + "'";
        if (after && after->kind == Token::Operator)
            throw ParseError(col, std::string("Missing a term after '") + after->symbol + "'" + where);
        if (after && after->kind == Token::Open)
            throw ParseError(col, "Missing a term inside the parentheses" + where);
        if (after && after->kind == Token::Equals)
            throw ParseError(col, "Missing a term after '='" + where);
        throw ParseError(col, "Missing a term" + where);
    }

    // A side, a group or a function argument: terms evaluated strictly from left to right.
    // `after` is the token just before the sequence (for messages), or null at the start.
    std::uint32_t sequence(const Token *after) {
        std::uint32_t acc = operand(after);
        for (;;) {
            const Token *t = peek();
            if (t && t->kind == Token::Operator) {
                ++pos_;
                std::uint32_t rhs = operand(t);
                Op op = Op::Add;
                switch (t->symbol) {
                case '+': op = Op::Add; break;
                case '-': op = Op::Sub; break;
                case '*': op = Op::Mul; break;
                case '/': op = Op::Div; break;
                default: op = Op::Pow; break;
                }
                acc = emit(op, acc, rhs, t->column);
            } else if (startsTerm(t)) {
                const int col = t->column;
                std::uint32_t rhs = term();
                acc = emit(Op::Mul, acc, rhs, col);
            } else {
                return acc;
            }
        }
    }

    // A term with any unary signs before it; the signs apply to this term only.
    std::uint32_t operand(const Token *after) {
        bool negative = false;
        int signColumn = 0;
        const Token *lastSign = nullptr;
        while (const Token *t = peek()) {
            if (t->kind != Token::Operator || (t->symbol != '-' && t->symbol != '+')) break;
            if (t->symbol == '-') negative = !negative;
            if (!signColumn) signColumn = t->column;
            lastSign = t;
            ++pos_;
        }
        if (!startsTerm(peek())) missingTerm(lastSign ? lastSign : after);
        const bool literal = peek()->kind == Token::Number;
        std::uint32_t v = term();
        if (!negative) return v;
        if (literal) {
            // A signed number is simply a negative number.
            const std::uint32_t i = v - eq_.firstConst_;
            eq_.constValues_[v] = -eq_.constValues_[v];
            eq_.constText_[i] = "-" + eq_.constText_[i];
            return v;
        }
        return emit(Op::Neg, v, kSlotSink, signColumn);
    }

    std::uint32_t term() {
        const Token &t = eq_.tokens_[pos_++];
        switch (t.kind) {
        case Token::Number: {
            const std::uint32_t slot = eq_.firstConst_ + nextConst_;
            eq_.constValues_[slot] = t.value;
            eq_.constText_[nextConst_] = text_.substr(std::size_t(t.column - 1), std::size_t(t.length));
            ++nextConst_;
            return slot;
        }
        case Token::X: eq_.usesX_ = true; return kSlotX;
        case Token::A: eq_.usesA_ = true; return kSlotA;
        case Token::Y:
            if (!firstY_) firstY_ = &t;
            eq_.usesY_[std::size_t(t.order)] = true;
            return kSlotY0 + std::uint32_t(t.order);
        case Token::Function: {
            const Token *open = peek();
            if (!open || open->kind != Token::Open)
                throw ParseError(open ? open->column : endColumn(),
                                 tokenName(t) + " needs its argument in parentheses, e.g. " +
                                     tokenName(t) + "( X)");
            std::uint32_t arg = group();
            return emit(Op(t.function), arg, kSlotSink, t.column);
        }
        case Token::Open:
            --pos_;
            return group();
        default: break;
        }
        missingTerm(nullptr);
    }

    std::string tokenName(const Token &t) const {
        std::string s = text_.substr(std::size_t(t.column - 1), std::size_t(t.length));
        for (char &c : s) c = upper(c);
        return s;
    }

    // '(' sequence ')': evaluated on its own; its value is one term.
    std::uint32_t group() {
        const Token &open = eq_.tokens_[pos_++];
        if (++depth_ > kMaxNesting)
            throw ParseError(open.column, "Too many parentheses inside each other (at most " +
                                              std::to_string(kMaxNesting) + ")");
        std::uint32_t v = sequence(&open);
        const Token *t = peek();
        if (!t)
            throw ParseError(open.column, "Unbalanced parenthesis: this '(' is never closed");
        if (t->kind != Token::Close) {
            if (t->kind == Token::Equals)
                throw ParseError(t->column, "Missing ')' before '=' to close the '(' in column " +
                                                std::to_string(open.column));
            throw ParseError(t->column, "Unbalanced parenthesis: expected ')' here");
        }
        ++pos_;
        --depth_;
        return v;
    }
};

// ---------------------------------------------------------------------------------------
// The evaluation program

namespace {

// Forward codes. Binary operations come in three forms: Acc (running value op slot),
// Rev (slot op running value) and Pop (enclosing group's value op running value).
// Every code but kEnd, in order; the enum and the evaluator's dispatch tables share it.
// A load fused with the Acc operation after it (LoadAdd ...): running value = slot op slot2.
#define NOTATION_CODES(X)                                                                  \
    X(Load) X(PushLoad)                                                                    \
    X(AddAcc) X(AddRev) X(AddPop) X(SubAcc) X(SubRev) X(SubPop)                            \
    X(MulAcc) X(MulRev) X(MulPop) X(DivAcc) X(DivRev) X(DivPop)                            \
    X(PowAcc) X(PowRev) X(PowPop) X(PowIntAcc) X(PowConstAcc)                              \
    X(Neg) X(Sin) X(Cos) X(Tan) X(Asin) X(Acos) X(Atan) X(Sinh) X(Cosh) X(Tanh)            \
    X(Exp) X(Log) X(Log10) X(Sqrt) X(Abs)                                                  \
    X(LoadAdd) X(LoadSub) X(LoadMul) X(LoadDiv) X(LoadPow) X(LoadPowInt) X(LoadPowConst)   \
    X(PushLoadAdd) X(PushLoadSub) X(PushLoadMul) X(PushLoadDiv) X(PushLoadPow)             \
    X(PushLoadPowInt) X(PushLoadPowConst)
enum Code : std::uint8_t {
#define NOTATION_CODE(N) k##N,
    NOTATION_CODES(NOTATION_CODE)
#undef NOTATION_CODE
    kEnd,  // last instruction of the program
};

// The index of an Acc code among the fusable ones, or -1.
int fusableIndex(std::uint8_t code) {
    switch (code) {
    case kAddAcc: return 0;
    case kSubAcc: return 1;
    case kMulAcc: return 2;
    case kDivAcc: return 3;
    case kPowAcc: return 4;
    case kPowIntAcc: return 5;
    case kPowConstAcc: return 6;
    default: return -1;
    }
}

// How the reverse sweep treats each instruction (g is the running adjoint).
enum Back : std::uint8_t {
    kBackLoadVar,      // adj[slot] += g   (adj: the adjoint cell of this use)
    kBackNothing,      // a number was loaded
    kBackPushLoadVar,  // adj[slot] += g; g = pop
    kBackPushLoadNum,  // g = pop
    kBackAccVar,       // adj[slot] += g * pb; g *= pa
    kBackScaleA,       // g *= pa (number operand, or a unary step)
    kBackRevVar,       // adj[slot] += g * pa; g *= pb
    kBackScaleB,       // g *= pb
    kBackPop,          // push g * pa; g *= pb
    kBackFuseVV,       // adj[slot] += g * pa; adj[slot2] += g * pb
    kBackFuseVN,       // adj[slot] += g * pa
    kBackFuseNV,       // adj[slot2] += g * pb
    kBackPushFuseVV,   // the same, then g = pop
    kBackPushFuseVN,
    kBackPushFuseNV,
    kBackEnd,          // first instruction of the program: the sweep is done
};

Code binaryCode(Op op, int form) {
    switch (op) {
    case Op::Add: return Code(kAddAcc + form);
    case Op::Sub: return Code(kSubAcc + form);
    case Op::Mul: return Code(kMulAcc + form);
    case Op::Div: return Code(kDivAcc + form);
    default: return Code(kPowAcc + form);
    }
}

Code unaryCode(Op op) { return Code(kNeg + (int(op) - int(Op::Neg))); }

}  // namespace

// Turns the stored steps (a tree over slots) into the accumulator program.
class Compiler {
public:
    Compiler(Equation &eq, const std::vector<bool> &known) : eq_(eq), known_(known) {}

    void run() {
        // The program is framed by two markers so that neither sweep needs a counter.
        eq_.program_.reserve(2 * eq_.steps_.size() + 3);  // one growth instead of several
        eq_.reverse_.reserve(2 * eq_.steps_.size() + 2);
        emit(0, kEnd, kBackEnd);
        gen(eq_.result_);
        emit(0, kEnd, kBackEnd);
        fuse();
        markTangentFree();
        linkReverse();
        eq_.stack_.assign(std::size_t(maxDepth_) + 1, 0.0);
        eq_.backStack_.assign(std::size_t(maxDepth_) + 1, 0.0);
        eq_.tangentStack_.assign(std::size_t(maxDepth_) + 1, 0.0);
    }

private:
    Equation &eq_;
    const std::vector<bool> &known_;
    bool pendingPush_ = false;
    int depth_ = 0, maxDepth_ = 0;

    bool isLeaf(std::uint32_t slot) const { return slot < eq_.firstTemp_ || known_[slot]; }
    bool isVar(std::uint32_t slot) const { return slot < eq_.firstConst_; }
    const Step &stepOf(std::uint32_t slot) const { return eq_.steps_[slot - eq_.firstTemp_]; }

    void emit(std::uint32_t slot, Code code, Back back) {
        Equation::Instr in;
        in.slot = slot;
        in.code = std::uint8_t(code);
        in.back = std::uint8_t(back);
        eq_.program_.push_back(in);
    }

    // Merges each load with the Acc operation right after it into one instruction.
    void fuse() {
        std::vector<Equation::Instr> &prog = eq_.program_;
        std::vector<Equation::Instr> out;
        out.reserve(prog.size());
        for (std::size_t i = 0; i < prog.size(); ++i) {
            const Equation::Instr &in = prog[i];
            const int f = i + 1 < prog.size() ? fusableIndex(prog[i + 1].code) : -1;
            if ((in.code == kLoad || in.code == kPushLoad) && f >= 0) {
                const bool push = in.code == kPushLoad;
                // A square s^2 runs as the product s * s: the same bits and partials
                // (a * g + a * g = 2a * g exactly), without the power's integer loop.
                const bool square = prog[i + 1].code == kPowIntAcc &&
                                    eq_.constValues_[prog[i + 1].slot] == 2;
                const int op = square ? fusableIndex(kMulAcc) : f;
                const std::uint32_t second = square ? in.slot : prog[i + 1].slot;
                const bool v1 = isVar(in.slot), v2 = isVar(second);
                Equation::Instr m;
                m.slot = in.slot;
                m.slot2 = second;
                m.code = std::uint8_t((push ? kPushLoadAdd : kLoadAdd) + op);
                Back b;
                if (v1 && v2) b = push ? kBackPushFuseVV : kBackFuseVV;
                else if (v1) b = push ? kBackPushFuseVN : kBackFuseVN;
                else if (v2) b = push ? kBackPushFuseNV : kBackFuseNV;
                else b = push ? kBackPushLoadNum : kBackNothing;
                m.back = std::uint8_t(b);
                out.push_back(m);
                ++i;
                continue;
            }
            out.push_back(in);
        }
        prog.swap(out);
    }

    // The slope sweep carries the tangent dF/dY^(n) along; an instruction none of whose
    // operands can depend on Y^(n) (followed through the running value and the stack of
    // enclosing groups) runs in its tangent-free form, which sets the tangent to 0.
    void markTangentFree() {
        const std::uint32_t top = kSlotY0 + std::uint32_t(eq_.order_);
        std::vector<bool> pushed;  // whether each enclosing group's value may depend on it
        bool acc = false;          // whether the running value may
        for (Equation::Instr &in : eq_.program_) {
            const int c = in.code;
            const bool s1 = in.slot == top, s2 = in.slot2 == top;
            bool free = false;
            if (c == kEnd) {
                in.slopeCode = in.code;
                continue;
            }
            if (c == kLoad || (c >= kLoadAdd && c <= kLoadPowConst)) {
                acc = s1 || (c != kLoad && s2);
                free = !acc;
            } else if (c == kPushLoad || (c >= kPushLoadAdd && c <= kPushLoadPowConst)) {
                pushed.push_back(acc);
                acc = s1 || (c != kPushLoad && s2);
                free = !acc;
            } else if (c == kAddPop || c == kSubPop || c == kMulPop || c == kDivPop || c == kPowPop) {
                const bool outer = pushed.back();
                pushed.pop_back();
                free = !outer && !acc;
                acc = !free;
            } else if (c >= kNeg && c <= kAbs) {
                free = !acc;
            } else {  // Acc and Rev forms: the running value and one slot
                free = !acc && !s1;
                acc = !free;
            }
            in.slopeCode = std::uint8_t(free ? kEnd + 1 + c : c);
        }
    }

    // Adding or subtracting a number passes the adjoint on unchanged, and loading a number
    // passes nothing: the reverse sweep steps over those.
    static bool passesNothing(const Equation::Instr &in) {
        if (in.back == kBackNothing) return true;
        if (in.back == kBackScaleA && (in.code == kAddAcc || in.code == kSubAcc)) return true;
        if (in.back == kBackScaleB && in.code == kAddRev) return true;
        return false;
    }

    void linkReverse() {
        const std::vector<Equation::Instr> &prog = eq_.program_;
        std::vector<Equation::BackInstr> &rev = eq_.reverse_;
        Equation::BackInstr end;
        end.back = kBackEnd;
        rev.push_back(end);  // the sweep runs backwards and stops here
        for (std::size_t i = 1; i + 1 < prog.size(); ++i) {
            if (passesNothing(prog[i])) continue;
            Equation::BackInstr b;
            b.instr = std::uint32_t(i);
            b.slot = prog[i].slot;
            b.slot2 = prog[i].slot2;
            b.back = prog[i].back;
            rev.push_back(b);
        }
        // Give every use of an input its own adjoint cell, grouped by input.
        const std::uint32_t inputs = eq_.firstConst_;
        std::vector<std::uint32_t> count(inputs + 1, 0);
        auto uses = [](const Equation::BackInstr &b, bool second) {
            switch (b.back) {
            case kBackLoadVar: case kBackPushLoadVar: case kBackAccVar: case kBackRevVar:
                return !second;
            case kBackFuseVV: case kBackPushFuseVV: return true;
            case kBackFuseVN: case kBackPushFuseVN: return !second;
            case kBackFuseNV: case kBackPushFuseNV: return second;
            default: return false;
            }
        };
        for (const auto &b : rev) {
            if (uses(b, false)) ++count[b.slot];
            if (uses(b, true)) ++count[b.slot2];
        }
        eq_.useBegin_.assign(inputs + 1, 0);
        for (std::uint32_t v = 0; v < inputs; ++v)
            eq_.useBegin_[v + 1] = eq_.useBegin_[v] + count[v];
        std::vector<std::uint32_t> next(eq_.useBegin_.begin(), eq_.useBegin_.end() - 1);
        for (auto &b : rev) {
            if (uses(b, false)) b.slot = next[b.slot]++;
            if (uses(b, true)) b.slot2 = next[b.slot2]++;
        }
        eq_.useAdjoint_.assign(std::max<std::uint32_t>(eq_.useBegin_[inputs], 1), 0.0);
    }

    void load(std::uint32_t slot) {
        if (pendingPush_) {
            pendingPush_ = false;
            emit(slot, kPushLoad, isVar(slot) ? kBackPushLoadVar : kBackPushLoadNum);
            maxDepth_ = std::max(maxDepth_, ++depth_);
        } else {
            emit(slot, kLoad, isVar(slot) ? kBackLoadVar : kBackNothing);
        }
    }

    void acc(Op op, std::uint32_t b) {
        Code code = binaryCode(op, 0);
        if (op == Op::Pow && !isVar(b)) {
            const double e = eq_.constValues_[b];
            code = (e == std::floor(e) && std::fabs(e) <= 64) ? kPowIntAcc : kPowConstAcc;
        }
        emit(b, code, isVar(b) ? kBackAccVar : kBackScaleA);
    }

    // Emits the code that leaves the value of `slot` as the running value. Walks the chain
    // of first-evaluated operands without recursion (a long side is a long chain); only
    // groups standing as right operands recurse, and their nesting is bounded.
    void gen(std::uint32_t slot) {
        if (isLeaf(slot)) {
            load(slot);
            return;
        }
        std::vector<std::uint32_t> chain;
        chain.reserve(eq_.steps_.size());
        std::uint32_t cur = slot;
        for (;;) {
            chain.push_back(cur);
            const Step &s = stepOf(cur);
            std::uint32_t first;
            if (isUnary(s.op) || !isLeaf(s.a)) first = s.a;
            else if (!isLeaf(s.b)) first = s.b;
            else {
                load(s.a);
                break;
            }
            if (isLeaf(first)) {
                load(first);
                break;
            }
            cur = first;
        }
        for (std::size_t i = chain.size(); i-- > 0;) {
            const Step &s = stepOf(chain[i]);
            if (isUnary(s.op)) {
                emit(0, unaryCode(s.op), kBackScaleA);
            } else if (!isLeaf(s.a)) {
                if (isLeaf(s.b)) {
                    acc(s.op, s.b);
                } else {
                    pendingPush_ = true;
                    gen(s.b);
                    emit(0, binaryCode(s.op, 2), kBackPop);
                    --depth_;
                }
            } else if (!isLeaf(s.b)) {
                emit(s.a, binaryCode(s.op, 1), isVar(s.a) ? kBackRevVar : kBackScaleB);
            } else {
                acc(s.op, s.b);
            }
        }
    }
};

Equation Equation::parse(std::string_view text) {
    if (text.size() > kMaxEquationLength)
        throw ParseError(int(kMaxEquationLength) + 1,
                         "The equation is " + std::to_string(text.size()) +
                             " characters long; at most " + std::to_string(kMaxEquationLength) +
                             " are allowed");
    Equation eq;
    eq.text_.assign(text.data(), text.size());
    Parser(eq).run();

    // Steps whose operands are all numbers are computed now and become numbers themselves.
    eq.nSlots_ = eq.firstTemp_ + std::uint32_t(eq.steps_.size());
    eq.constValues_.resize(eq.nSlots_, 0.0);
    std::vector<bool> known(eq.nSlots_, false);
    for (std::uint32_t s = eq.firstConst_; s < eq.firstTemp_; ++s) known[s] = true;
    for (const Step &s : eq.steps_) {
        if (known[s.a] && (isUnary(s.op) || known[s.b])) {
            eq.constValues_[s.result] = apply(s.op, eq.constValues_[s.a], eq.constValues_[s.b]);
            known[s.result] = true;
        }
    }
    Compiler(eq, known).run();
    eq.value_ = eq.constValues_;
    const int affine = affineIn(eq.steps_, kSlotY0 + std::uint32_t(eq.order_), eq.nSlots_,
                                known, eq.constValues_, eq.result_);
    eq.affineInHighest_ = affine > 0;
    eq.constantSlope_ = affine == 2;
    return eq;
}

std::size_t Equation::reverseLength() const { return reverse_.size() - 1; }

int Equation::order() const { return order_; }
bool Equation::usesA() const { return usesA_; }
bool Equation::usesX() const { return usesX_; }
bool Equation::usesDerivative(int k) const {
    return k >= 0 && std::size_t(k) < usesY_.size() && usesY_[std::size_t(k)];
}

// Runs the program. kValue: the forward sweep alone. kGradient: the forward sweep records
// each step's local partials and the reverse sweep leaves the adjoint of every use of an
// input in useAdjoint_. kSlope: the forward sweep carries beside each value its derivative
// along Y^(n) (forward mode, one tangent), left in slope_; a step none of whose operands
// depends on Y^(n) skips its partials. Each handler jumps straight to the next one (a jump
// per handler predicts far better than one shared dispatch jump).
template <int Mode>
double Equation::run(double x, const double *z, double highest, double a) const {
    constexpr bool Partials = Mode == kGradient;
    constexpr bool Slope = Mode == kSlope;
    double *v = value_.data();
    v[kSlotX] = x;
    v[kSlotA] = a;
    double *y = v + kSlotY0;
    switch (order_) {  // unrolled for the usual orders: most of a short program's cost
    case 3: y[2] = z[2]; [[fallthrough]];
    case 2: y[1] = z[1]; [[fallthrough]];
    case 1: y[0] = z[0]; break;
    default:
        for (int k = 0; k < order_; ++k) y[k] = z[k];
    }
    y[order_] = highest;

    Instr *ip = program_.data() + 1;
    double *sp = stack_.data();
    double acc = 0, da, db;
    // The tangent of the running value and of the pushed ones (kSlope).
    double t = 0;
    double *tsp = tangentStack_.data();
    const std::uint32_t top = kSlotY0 + std::uint32_t(order_);
    // State of the reverse sweep, set here because every handler shares one scope.
    double *const use = useAdjoint_.data();
    double *bp = backStack_.data();
    double g = 1;
    const BackInstr *rp = &reverse_.back();
    const Instr *const prog = program_.data();

    // The full forms, then the tangent-free ones (slope sweep only), in the codes' order.
#define NOTATION_FULL_LABEL(N) &&f##N,
#define NOTATION_FREE_LABEL(N) &&z##N,
    static const void *const forward[] = {
        NOTATION_CODES(NOTATION_FULL_LABEL) &&fEnd, NOTATION_CODES(NOTATION_FREE_LABEL)
    };
#undef NOTATION_FREE_LABEL
#undef NOTATION_FULL_LABEL
#define NOTATION_NEXT goto *forward[Slope ? ip->slopeCode : ip->code]
#define NOTATION_SEED(SLOT) ((SLOT) == top ? 1.0 : 0.0)
#define NOTATION_OP(OP, A, B, TA, TB)                                    \
    {                                                                    \
        if (Partials) {                                                  \
            acc = applyWithPartials(OP, A, B, da, db);                   \
            ip->pa = da;                                                 \
            ip->pb = db;                                                 \
        } else if (Slope) {                                              \
            const double ta = TA, tb = TB;                               \
            if (ta == 0 && tb == 0) {                                    \
                acc = apply(OP, A, B);                                   \
                t = 0;                                                   \
            } else if (OP == Op::Div) {  /* one division fewer */        \
                const double bb = B;                                     \
                acc = (A) / bb;                                          \
                t = (ta - (tb == 0 ? 0.0 : acc * tb)) / bb;              \
            } else {                                                     \
                acc = applyWithPartials(OP, A, B, da, db);               \
                t = (ta == 0 ? 0.0 : da * ta) + (tb == 0 ? 0.0 : db * tb); \
            }                                                            \
        } else {                                                         \
            acc = apply(OP, A, B);                                       \
        }                                                                \
        ++ip;                                                            \
        NOTATION_NEXT;                                                   \
    }
// One set of handlers per label prefix P: OPX computes an operation (and its tangent, where
// the form carries one), SEEDX gives a loaded slot's tangent.
#define NOTATION_BINARY(P, OPX, SEEDX, OP, NAME)                                  \
    P##NAME##Acc: OPX(OP, acc, v[ip->slot], t, SEEDX(ip->slot))                   \
    P##NAME##Rev: OPX(OP, v[ip->slot], acc, SEEDX(ip->slot), t)                   \
    P##NAME##Pop: {                                                               \
        const double outer = *--sp;                                               \
        [[maybe_unused]] const double touter = Slope ? *--tsp : 0.0;              \
        OPX(OP, outer, acc, touter, t)                                            \
    }
#define NOTATION_FUSED(P, OPX, SEEDX, OP, NAME)                                   \
    P##Load##NAME: OPX(OP, v[ip->slot], v[ip->slot2], SEEDX(ip->slot),            \
                       SEEDX(ip->slot2))                                          \
    P##PushLoad##NAME: {                                                          \
        *sp++ = acc;                                                              \
        if (Slope) *tsp++ = t;                                                    \
        OPX(OP, v[ip->slot], v[ip->slot2], SEEDX(ip->slot), SEEDX(ip->slot2))     \
    }
#define NOTATION_HANDLERS(P, OPX, SEEDX)                                          \
    P##Load:                                                                      \
    acc = v[ip->slot];                                                            \
    if (Slope) t = SEEDX(ip->slot);                                               \
    ++ip;                                                                         \
    NOTATION_NEXT;                                                                \
    P##PushLoad:                                                                  \
    *sp++ = acc;                                                                  \
    acc = v[ip->slot];                                                            \
    if (Slope) {                                                                  \
        *tsp++ = t;                                                               \
        t = SEEDX(ip->slot);                                                      \
    }                                                                             \
    ++ip;                                                                         \
    NOTATION_NEXT;                                                                \
    NOTATION_BINARY(P, OPX, SEEDX, Op::Add, Add)                                  \
    NOTATION_BINARY(P, OPX, SEEDX, Op::Sub, Sub)                                  \
    NOTATION_BINARY(P, OPX, SEEDX, Op::Mul, Mul)                                  \
    NOTATION_BINARY(P, OPX, SEEDX, Op::Div, Div)                                  \
    NOTATION_BINARY(P, OPX, SEEDX, Op::Pow, Pow)                                  \
    P##PowIntAcc: OPX(Op::PowInt, acc, v[ip->slot], t, 0.0)                       \
    P##PowConstAcc: OPX(Op::PowConst, acc, v[ip->slot], t, 0.0)                   \
    P##Neg: OPX(Op::Neg, acc, 0.0, t, 0.0)                                        \
    P##Sin: OPX(Op::Sin, acc, 0.0, t, 0.0)                                        \
    P##Cos: OPX(Op::Cos, acc, 0.0, t, 0.0)                                        \
    P##Tan: OPX(Op::Tan, acc, 0.0, t, 0.0)                                        \
    P##Asin: OPX(Op::Asin, acc, 0.0, t, 0.0)                                      \
    P##Acos: OPX(Op::Acos, acc, 0.0, t, 0.0)                                      \
    P##Atan: OPX(Op::Atan, acc, 0.0, t, 0.0)                                      \
    P##Sinh: OPX(Op::Sinh, acc, 0.0, t, 0.0)                                      \
    P##Cosh: OPX(Op::Cosh, acc, 0.0, t, 0.0)                                      \
    P##Tanh: OPX(Op::Tanh, acc, 0.0, t, 0.0)                                      \
    P##Exp: OPX(Op::Exp, acc, 0.0, t, 0.0)                                        \
    P##Log: OPX(Op::Log, acc, 0.0, t, 0.0)                                        \
    P##Log10: OPX(Op::Log10, acc, 0.0, t, 0.0)                                    \
    P##Sqrt: OPX(Op::Sqrt, acc, 0.0, t, 0.0)                                      \
    P##Abs: OPX(Op::Abs, acc, 0.0, t, 0.0)                                        \
    NOTATION_FUSED(P, OPX, SEEDX, Op::Add, Add)                                   \
    NOTATION_FUSED(P, OPX, SEEDX, Op::Sub, Sub)                                   \
    NOTATION_FUSED(P, OPX, SEEDX, Op::Mul, Mul)                                   \
    NOTATION_FUSED(P, OPX, SEEDX, Op::Div, Div)                                   \
    NOTATION_FUSED(P, OPX, SEEDX, Op::Pow, Pow)                                   \
    NOTATION_FUSED(P, OPX, SEEDX, Op::PowInt, PowInt)                             \
    NOTATION_FUSED(P, OPX, SEEDX, Op::PowConst, PowConst)
// The tangent-free forms: the value alone, and a tangent of 0.
#define NOTATION_FREE_OP(OP, A, B, TA, TB) \
    {                                      \
        acc = apply(OP, A, B);             \
        t = 0;                             \
        ++ip;                              \
        NOTATION_NEXT;                     \
    }
#define NOTATION_NO_SEED(SLOT) 0.0

    NOTATION_NEXT;
    NOTATION_HANDLERS(f, NOTATION_OP, NOTATION_SEED)
    NOTATION_HANDLERS(z, NOTATION_FREE_OP, NOTATION_NO_SEED)
#undef NOTATION_NO_SEED
#undef NOTATION_FREE_OP
#undef NOTATION_HANDLERS
#undef NOTATION_FUSED
#undef NOTATION_BINARY
#undef NOTATION_OP
#undef NOTATION_SEED
#undef NOTATION_NEXT
fEnd:
    if (Slope) slope_ = t;
    if (!Partials) return acc;

    // Reverse sweep: chain the local partials from the residual back to the inputs.
    static const void *const backward[] = {
        &&bLoadVar, &&bNothing, &&bPushLoadVar, &&bPushLoadNum, &&bAccVar, &&bScaleA,
        &&bRevVar, &&bScaleB, &&bPop, &&bFuseVV, &&bFuseVN, &&bFuseNV, &&bPushFuseVV,
        &&bPushFuseVN, &&bPushFuseNV, &&bEnd,
    };
#define NOTATION_BACK(BODY)                           \
    {                                                 \
        const Instr &in = prog[rp->instr];            \
        (void)in;                                     \
        BODY;                                         \
        --rp;                                         \
        goto *backward[rp->back];                     \
    }
    goto *backward[rp->back];
bLoadVar: NOTATION_BACK(use[rp->slot] = g)
bNothing: NOTATION_BACK((void)0)
bPushLoadVar: NOTATION_BACK(use[rp->slot] = g; g = *--bp)
bPushLoadNum: NOTATION_BACK(g = *--bp)
bAccVar: NOTATION_BACK(use[rp->slot] = g * in.pb; g *= in.pa)
bScaleA: NOTATION_BACK(g *= in.pa)
bRevVar: NOTATION_BACK(use[rp->slot] = g * in.pa; g *= in.pb)
bScaleB: NOTATION_BACK(g *= in.pb)
bPop: NOTATION_BACK(*bp++ = g * in.pa; g *= in.pb)
bFuseVV: NOTATION_BACK(use[rp->slot] = g * in.pa; use[rp->slot2] = g * in.pb)
bFuseVN: NOTATION_BACK(use[rp->slot] = g * in.pa)
bFuseNV: NOTATION_BACK(use[rp->slot2] = g * in.pb)
bPushFuseVV: NOTATION_BACK(use[rp->slot] = g * in.pa; use[rp->slot2] = g * in.pb; g = *--bp)
bPushFuseVN: NOTATION_BACK(use[rp->slot] = g * in.pa; g = *--bp)
bPushFuseNV: NOTATION_BACK(use[rp->slot2] = g * in.pb; g = *--bp)
#undef NOTATION_BACK
bEnd:
    return acc;
}

double Equation::residual(double x, const double *y, double a) const {
    return residual(x, y, y[order_], a);
}

double Equation::residual(double x, const double *z, double top, double a) const {
    if (program_.empty()) return std::nan("");  // a default-constructed Equation
    return run<kValue>(x, z, top, a);
}

double Equation::residualAndSlope(double x, const double *y, double a, double &slope) const {
    return residualAndSlope(x, y, y[order_], a, slope);
}

double Equation::residualAndSlope(double x, const double *z, double top, double a,
                                  double &slope) const {
    if (program_.empty()) {
        slope = 0;
        return std::nan("");
    }
    const double r = run<kSlope>(x, z, top, a);
    slope = slope_;
    return r;
}

double Equation::residualWithGradient(double x, const double *y, double a, double *dY,
                                      double *dX, double *dA) const {
    if (program_.empty()) {  // a default-constructed Equation: no value, no dependence
        if (dX) *dX = 0;
        if (dA) *dA = 0;
        if (dY) dY[0] = 0;
        return std::nan("");
    }
    const double r = run<kGradient>(x, y, y[order_], a);
    // Each input's partial derivative is the sum of the adjoints of its uses.
    const double *use = useAdjoint_.data();
    const std::uint32_t *begin = useBegin_.data();
    auto total = [&](std::uint32_t slot) {
        double sum = 0;
        for (std::uint32_t j = begin[slot]; j < begin[slot + 1]; ++j) sum += use[j];
        return sum;
    };
    if (dX) *dX = total(kSlotX);
    if (dA) *dA = total(kSlotA);
    if (dY)
        for (int k = 0; k <= order_; ++k) dY[k] = total(kSlotY0 + std::uint32_t(k));
    return r;
}

double Equation::residualWithGradient(double x, const double *y, double a, Gradient &g) const {
    g.dY.assign(std::size_t(order_) + 1, 0.0);
    return residualWithGradient(x, y, a, g.dY.data(), &g.dX, &g.dA);
}

std::vector<double> Equation::trace(double x, const double *y, double a) const {
    std::vector<double> v = constValues_;
    v[kSlotX] = x;
    v[kSlotA] = a;
    for (int k = 0; k <= order_; ++k) v[kSlotY0 + std::uint32_t(k)] = y[k];
    std::vector<double> out;
    out.reserve(steps_.size());
    for (const Step &s : steps_) {
        v[s.result] = apply(s.op, v[s.a], v[s.b]);
        out.push_back(v[s.result]);
    }
    return out;
}

std::string Equation::slotName(std::uint32_t slot) const {
    if (slot == kSlotX) return "X";
    if (slot == kSlotA) return "A";
    if (slot == kSlotSink) return "";
    if (slot < firstConst_) return "Y" + std::string(slot - kSlotY0, '\'');
    if (slot < firstTemp_) return constText_[slot - firstConst_];
    return "t" + std::to_string(slot - firstTemp_ + 1);
}

std::string Equation::tokenText(const Token &t) const {
    return text_.substr(std::size_t(t.column - 1), std::size_t(t.length));
}

const char *Equation::opName(Op op) {
    switch (op) {
    case Op::Add: return "+";
    case Op::Sub: case Op::Neg: return "-";
    case Op::Mul: return "*";
    case Op::Div: return "/";
    case Op::Pow: case Op::PowInt: case Op::PowConst: return "^";
    default: break;
    }
    for (const auto &f : kFunctions)
        if (f.op == op) return f.name;
    return "?";
}

}  // namespace notation
