// How the host's VARIANTs reach the portable check.

#include <gtest/gtest.h>

#include <string>

#include "com/bstr.h"
#include "com/variant.h"
#include "com/variant_convert.h"
#include "support/failure.h"

namespace tavrix::com {
namespace {

Variant Make(VARTYPE type, double number) {
    Variant value;
    value.Ptr()->vt = VT_R8;
    value.Ptr()->dblVal = number;
    EXPECT_HRESULT_SUCCEEDED(VariantChangeType(value.Ptr(), value.Ptr(), 0, type));
    return value;
}

Variant MakeText(std::u16string_view text) {
    Variant value;
    value.Ptr()->bstrVal = Bstr(text).Detach();
    value.Ptr()->vt = VT_BSTR;
    return value;
}

TEST(ToPropertyValueTest, EmptyNumbersAndText) {
    const struct {
        const char* label;
        Variant value;
        PropertyValue expected;
    } cases[] = {
        {"empty", Variant(), std::monostate{}},
        {"short", Make(VT_I2, -7), -7.0},
        {"long", Make(VT_I4, 30), 30.0},
        {"byte", Make(VT_UI1, 200), 200.0},
        {"single", Make(VT_R4, 2.5), 2.5},
        {"currency", Make(VT_CY, 12.25), 12.25},
        {"decimal", Make(VT_DECIMAL, 0.5), 0.5},
        {"text", MakeText(u"/var"), std::string("/var")},
        {"Windows-1252 text", MakeText(u"\u00e9\u20ac"), std::string("\xE9\x80")},
        {"text beyond Windows-1252", MakeText(u"\u0416"), std::string("?")},
        {"Boolean", Make(VT_BOOL, -1), std::string("True")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToPropertyValue(c.value.Get()), c.expected) << c.label;
    }
}

TEST(ToPropertyValueTest, FollowsReferences) {
    Variant target = Make(VT_I4, 22);
    VARIANT reference;
    reference.vt = VT_BYREF | VT_VARIANT;
    reference.pvarVal = target.Ptr();
    EXPECT_EQ(ToPropertyValue(reference), PropertyValue(22.0));
}

TEST(ToPropertyValueTest, UnconvertibleValuesFailWithDescription) {
    Variant null;
    null.Ptr()->vt = VT_NULL;
    try {
        ToPropertyValue(null.Get());
        FAIL() << "Null converted";
    } catch (const Failure& failure) {
        EXPECT_FALSE(failure.Description().empty());
    }
}

}  // namespace
}  // namespace tavrix::com
