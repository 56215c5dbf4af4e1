#include "platform/objectmodel/outlook_query.h"

#include <cmath>
#include <optional>

#include "platform/locale/locale_id.h"
#include "platform/locale/variant_date_parse.h"
#include "platform/text/wide_string.h"

namespace {

constexpr int kMaxDepth = 64;
// Bounds the work (and the evaluation's recursion) of one restriction.
constexpr size_t kMaxNodes = 1024;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool SameWord(std::u16string_view a, const char16_t* b)
{
    const std::u16string left(a);
    return _wcsicmp(left.c_str(), b) == 0;
}

// A plain decimal number ("12", "-4.5", "+.5"); nothing for anything else.
std::optional<double> ParseNumber(std::u16string_view text)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    size_t end = text.size();
    while (end > i && IsBlank(text[end - 1])) --end;
    std::string ascii;
    if (i < end && (text[i] == u'-' || text[i] == u'+')) ascii += static_cast<char>(text[i++]);
    bool digits = false;
    bool point = false;
    for (; i < end; ++i) {
        if (IsDigit(text[i]))
            digits = true;
        else if (text[i] == u'.' && !point)
            point = true;
        else
            return std::nullopt;
        ascii += static_cast<char>(text[i]);
        if (ascii.size() > 40) return std::nullopt;
    }
    if (!digits) return std::nullopt;
    const double value = std::strtod(ascii.c_str(), nullptr);
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace

// Recursive descent over the restriction text:
//   or := and (OR and)* ; and := unary (AND unary)* ;
//   unary := NOT unary | '(' or ')' | '[' name ']' op value
class OutlookQueryParser {
public:
    OutlookQueryParser(std::u16string_view text, int itemKind, OutlookQuery& query)
        : text_(text), itemKind_(itemKind), query_(query)
    {}

    bool Run()
    {
        const int root = ParseOr(0);
        SkipBlanks();
        if (root < 0 || pos_ != text_.size()) return false;
        query_.root_ = root;
        return true;
    }

private:
    using Node = OutlookQuery::Node;
    using Op = OutlookQuery::Op;

    void SkipBlanks()
    {
        while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
    }

    // The keyword at the position (whole word), consumed when present.
    bool Keyword(const char16_t* word)
    {
        SkipBlanks();
        size_t end = pos_;
        while (end < text_.size() && IsLetter(text_[end])) ++end;
        if (end == pos_ || !SameWord(text_.substr(pos_, end - pos_), word)) return false;
        pos_ = end;
        return true;
    }

    bool Take(char16_t c)
    {
        SkipBlanks();
        if (pos_ >= text_.size() || text_[pos_] != c) return false;
        ++pos_;
        return true;
    }

    int Add(Node node)
    {
        if (query_.nodes_.size() >= kMaxNodes) return -1;
        query_.nodes_.push_back(std::move(node));
        return static_cast<int>(query_.nodes_.size()) - 1;
    }

    int Join(Node::Type type, int left, int right)
    {
        Node node;
        node.type = type;
        node.left = left;
        node.right = right;
        return Add(std::move(node));
    }

    int ParseOr(int depth)
    {
        int left = ParseAnd(depth);
        while (left >= 0 && Keyword(u"OR")) {
            const int right = ParseAnd(depth);
            if (right < 0) return -1;
            left = Join(Node::Or, left, right);
        }
        return left;
    }

    int ParseAnd(int depth)
    {
        int left = ParseUnary(depth);
        while (left >= 0 && Keyword(u"AND")) {
            const int right = ParseUnary(depth);
            if (right < 0) return -1;
            left = Join(Node::And, left, right);
        }
        return left;
    }

    int ParseUnary(int depth)
    {
        if (depth >= kMaxDepth) return -1;
        if (Keyword(u"NOT")) {
            const int inner = ParseUnary(depth + 1);
            return inner < 0 ? -1 : Join(Node::Not, inner, -1);
        }
        if (Take(u'(')) {
            const int inner = ParseOr(depth + 1);
            if (inner < 0 || !Take(u')')) return -1;
            return inner;
        }
        return ParseComparison();
    }

    int ParseComparison()
    {
        if (!Take(u'[')) return -1;
        const size_t close = text_.find(u']', pos_);
        if (close == std::u16string_view::npos) return -1;
        Node node;
        node.property = std::u16string(text_.substr(pos_, close - pos_));
        pos_ = close + 1;
        const std::optional<OutlookValueKind> kind = OutlookItemProperties::KindOf(itemKind_, node.property);
        if (!kind) return -1;
        if (!ParseOp(node.op)) return -1;
        if (!ParseValue(*kind, node.value)) return -1;
        return Add(std::move(node));
    }

    bool ParseOp(Op& op)
    {
        SkipBlanks();
        const std::u16string_view rest = text_.substr(pos_);
        struct {
            const char16_t* text;
            Op op;
        } const ops[] = {{u"<>", Op::NotEqual}, {u"<=", Op::LessEqual}, {u">=", Op::GreaterEqual},
                         {u"=", Op::Equal},     {u"<", Op::Less},       {u">", Op::Greater}};
        for (const auto& candidate : ops) {
            const std::u16string_view symbol(candidate.text);
            if (rest.substr(0, symbol.size()) == symbol) {
                pos_ += symbol.size();
                op = candidate.op;
                return true;
            }
        }
        return false;
    }

    // The literal as written: quoted text, a number or a word.
    enum class Literal { Quoted, Number, Word };
    bool ReadLiteral(Literal& form, std::u16string& text)
    {
        SkipBlanks();
        if (pos_ >= text_.size()) return false;
        const char16_t first = text_[pos_];
        if (first == u'"' || first == u'\'') {
            ++pos_;
            for (;;) {
                if (pos_ >= text_.size()) return false;
                const char16_t c = text_[pos_++];
                if (c != first) {
                    text += c;
                } else if (pos_ < text_.size() && text_[pos_] == first) {
                    text += c;
                    ++pos_;
                } else {
                    break;
                }
            }
            form = Literal::Quoted;
            return true;
        }
        size_t end = pos_;
        while (end < text_.size() && (IsLetter(text_[end]) || IsDigit(text_[end]) || text_[end] == u'.' ||
                                      ((text_[end] == u'-' || text_[end] == u'+') && end == pos_)))
            ++end;
        if (end == pos_) return false;
        text = std::u16string(text_.substr(pos_, end - pos_));
        pos_ = end;
        form = ParseNumber(text) ? Literal::Number : Literal::Word;
        return true;
    }

    bool ParseValue(OutlookValueKind kind, OutlookPropertyValue& value)
    {
        Literal form;
        std::u16string text;
        if (!ReadLiteral(form, text)) return false;
        value.kind = kind;
        const bool isTrue = SameWord(text, u"TRUE");
        const bool isFalse = SameWord(text, u"FALSE");
        switch (kind) {
            case OutlookValueKind::Text:
                if (form == Literal::Word) return false;
                value.text = text;
                return true;
            case OutlookValueKind::Number:
            case OutlookValueKind::Bool: {
                if (isTrue || isFalse) {
                    if (form == Literal::Word && kind == OutlookValueKind::Number) return false;
                    value.number = isTrue ? 1 : 0;
                    return true;
                }
                const std::optional<double> number = ParseNumber(text);
                if (!number) return false;
                value.number = kind == OutlookValueKind::Bool ? (*number != 0 ? 1 : 0) : *number;
                return true;
            }
            case OutlookValueKind::Date: {
                if (form == Literal::Number) {
                    value.number = *ParseNumber(text);
                    return true;
                }
                if (form != Literal::Quoted) return false;
                if (const std::optional<double> number = ParseNumber(text)) {
                    value.number = *number;
                    return true;
                }
                DATE date = 0;
                if (FAILED(VarDateFromStr(text.c_str(), LOCALE_USER_DEFAULT, 0, &date))) return false;
                value.number = date;
                return true;
            }
        }
        return false;
    }

    std::u16string_view text_;
    size_t pos_ = 0;
    int itemKind_;
    OutlookQuery& query_;
};

HRESULT OutlookQuery::Parse(std::u16string_view text, int itemKind, OutlookQuery* query)
{
    if (!query) return E_POINTER;
    OutlookQuery parsed;
    parsed.itemKind_ = itemKind;
    OutlookQueryParser parser(text, itemKind, parsed);
    if (!parser.Run()) {
        *query = OutlookQuery();
        return E_INVALIDARG;
    }
    *query = std::move(parsed);
    return S_OK;
}

bool OutlookQuery::Compare(const OutlookPropertyValue& actual, Op op, const OutlookPropertyValue& wanted)
{
    int order = 0;
    if (wanted.kind == OutlookValueKind::Text) {
        order = _wcsicmp(actual.text.c_str(), wanted.text.c_str());
    } else {
        order = actual.number < wanted.number ? -1 : actual.number > wanted.number ? 1 : 0;
    }
    switch (op) {
        case Op::Equal:
            return order == 0;
        case Op::NotEqual:
            return order != 0;
        case Op::Less:
            return order < 0;
        case Op::LessEqual:
            return order <= 0;
        case Op::Greater:
            return order > 0;
        case Op::GreaterEqual:
            return order >= 0;
    }
    return false;
}

bool OutlookQuery::Evaluate(int index, const Lookup& lookup) const
{
    const Node& node = nodes_[static_cast<size_t>(index)];
    switch (node.type) {
        case Node::And:
            return Evaluate(node.left, lookup) && Evaluate(node.right, lookup);
        case Node::Or:
            return Evaluate(node.left, lookup) || Evaluate(node.right, lookup);
        case Node::Not:
            return !Evaluate(node.left, lookup);
        case Node::Compare: {
            OutlookPropertyValue actual;
            if (!lookup(node.property, &actual)) return false;
            if (actual.kind != node.value.kind) return false;
            return Compare(actual, node.op, node.value);
        }
    }
    return false;
}

bool OutlookQuery::Matches(const Lookup& lookup) const { return root_ >= 0 && Evaluate(root_, lookup); }

bool OutlookQuery::Matches(IDispatch* item) const
{
    const int kind = itemKind_;
    return Matches([item, kind](std::u16string_view name, OutlookPropertyValue* value) {
        return SUCCEEDED(OutlookItemProperties::Get(item, kind, name, value));
    });
}
