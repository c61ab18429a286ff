// The type library is a contract with hosts that bind early: the member
// order is the vtable, the dispatch identifiers are what they call.

#include <gtest/gtest.h>

#include <string>

#include "dispatch_client.h"

namespace tavrix::com::test {
namespace {

struct Member {
    const wchar_t* name;
    INVOKEKIND kind;
    MEMBERID id;
};

const Member kMembers[] = {
    {L"kx_docheck", INVOKE_FUNC, 1},
    {L"kx_showGUI", INVOKE_FUNC, 2},
    {L"kx_result", INVOKE_PROPERTYPUT, 3},
    {L"kx_result", INVOKE_PROPERTYPUTREF, 3},
    {L"kx_result", INVOKE_PROPERTYGET, 3},
    {L"kx_parameter", INVOKE_PROPERTYPUT, 4},
    {L"kx_parameter", INVOKE_PROPERTYPUTREF, 4},
    {L"kx_parameter", INVOKE_PROPERTYGET, 4},
    {L"kx_timeout", INVOKE_PROPERTYPUT, 5},
    {L"kx_timeout", INVOKE_PROPERTYPUTREF, 5},
    {L"kx_timeout", INVOKE_PROPERTYGET, 5},
    {L"kx_hostname", INVOKE_PROPERTYPUT, 6},
    {L"kx_hostname", INVOKE_PROPERTYPUTREF, 6},
    {L"kx_hostname", INVOKE_PROPERTYGET, 6},
    {L"SetResource", INVOKE_FUNC, 7},
};

// {DAFE17DB-C752-4550-8C3A-629653AF9504}
constexpr IID kInterfaceId = {
    0xdafe17db, 0xc752, 0x4550, {0x8c, 0x3a, 0x62, 0x96, 0x53, 0xaf, 0x95, 0x04}};
// {CA6AA882-8849-4366-B5FA-158666400325}
constexpr GUID kLibraryId = {
    0xca6aa882, 0x8849, 0x4366, {0xb5, 0xfa, 0x15, 0x86, 0x66, 0x40, 0x03, 0x25}};

std::wstring Owned(BSTR text) {
    std::wstring copy = text == nullptr ? L"" : std::wstring(text, SysStringLen(text));
    SysFreeString(text);
    return copy;
}

class TypeLibTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(apartment_.Result());
        ASSERT_HRESULT_SUCCEEDED(DispatchClient::Create(L"comTavrix.TavrixCom", object_));
        ComPtr<ITypeInfo> dispatchInfo;
        ASSERT_HRESULT_SUCCEEDED(object_.Get()->GetTypeInfo(0, 0, dispatchInfo.Put()));
        // A dual interface hands out its dispatch view; its vtable view is
        // the one whose order counts.
        HREFTYPE vtableView = 0;
        ASSERT_HRESULT_SUCCEEDED(dispatchInfo->GetRefTypeOfImplType(-1, &vtableView));
        ASSERT_HRESULT_SUCCEEDED(dispatchInfo->GetRefTypeInfo(vtableView, info_.Put()));
    }

    Apartment apartment_;
    DispatchClient object_;
    ComPtr<ITypeInfo> info_;
};

TEST_F(TypeLibTest, MembersInVtableOrderWithTheirIdentifiers) {
    TYPEATTR* attributes = nullptr;
    ASSERT_HRESULT_SUCCEEDED(info_->GetTypeAttr(&attributes));
    EXPECT_TRUE(IsEqualIID(attributes->guid, kInterfaceId));
    EXPECT_EQ(attributes->typekind, TKIND_INTERFACE);
    EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FDUAL);
    const UINT count = attributes->cFuncs;
    info_->ReleaseTypeAttr(attributes);
    ASSERT_EQ(count, std::size(kMembers));

    // IUnknown and IDispatch take the first seven slots.
    const SHORT firstSlot = 7 * static_cast<SHORT>(sizeof(void*));
    for (UINT index = 0; index < count; ++index) {
        FUNCDESC* function = nullptr;
        ASSERT_HRESULT_SUCCEEDED(info_->GetFuncDesc(index, &function));
        BSTR name = nullptr;
        UINT names = 0;
        info_->GetNames(function->memid, &name, 1, &names);
        const Member& expected = kMembers[index];
        EXPECT_EQ(Owned(name), expected.name) << index;
        EXPECT_EQ(function->invkind, expected.kind) << index;
        EXPECT_EQ(function->memid, expected.id) << index;
        EXPECT_EQ(function->oVft, firstSlot + static_cast<SHORT>(index * sizeof(void*))) << index;
        EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT) << index;
        info_->ReleaseFuncDesc(function);
    }
}

TEST_F(TypeLibTest, LibraryNamesItsHelpFile) {
    ComPtr<ITypeLib> library;
    UINT index = 0;
    ASSERT_HRESULT_SUCCEEDED(info_->GetContainingTypeLib(library.Put(), &index));
    TLIBATTR* attributes = nullptr;
    ASSERT_HRESULT_SUCCEEDED(library->GetLibAttr(&attributes));
    EXPECT_TRUE(IsEqualGUID(attributes->guid, kLibraryId));
    EXPECT_EQ(attributes->wMajorVerNum, 1);
    EXPECT_EQ(attributes->wMinorVerNum, 0);
    library->ReleaseTLibAttr(attributes);

    BSTR name = nullptr, doc = nullptr, helpFile = nullptr;
    ASSERT_HRESULT_SUCCEEDED(library->GetDocumentation(-1, &name, &doc, nullptr, &helpFile));
    EXPECT_EQ(Owned(name), L"comTavrix");
    Owned(doc);
    EXPECT_TRUE(Owned(helpFile).ends_with(L"comtavrix.chm"));
}

}  // namespace
}  // namespace tavrix::com::test
