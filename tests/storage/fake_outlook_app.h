// A scripted object-model application and a COutlook that makes those instead
// of the real one, so the logon rules can be watched from outside.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

#include "platform/objectmodel/outlook_object.h"
#include "storage/c_outlook.h"

namespace kstest {

// What every fake application of one test reports to and takes orders from.
struct FakeOutlookLog {
    std::atomic<int> created{0};
    std::atomic<int> alive{0};
    std::atomic<int> logons{0};
    std::atomic<int> logoffs{0};
    std::atomic<int> folderCalls{0};
    std::atomic<LONG> lastLogonWindow{0};
    HRESULT logonResult = S_OK;
    // Results of the next GetDefaultFolder calls, in order; S_OK when empty.
    std::mutex folderMutex;
    std::deque<HRESULT> folderResults;

    HRESULT NextFolderResult()
    {
        std::lock_guard<std::mutex> lock(folderMutex);
        if (folderResults.empty()) return S_OK;
        HRESULT hr = folderResults.front();
        folderResults.pop_front();
        return hr;
    }
};

class FakeOutlookApp final : public OutlookObject<IPOutlookApp> {
public:
    explicit FakeOutlookApp(FakeOutlookLog& log) : m_log(log)
    {
        ++m_log.created;
        ++m_log.alive;
    }
    ~FakeOutlookApp() override { --m_log.alive; }

    HRESULT Logon(LONG hwnd) override
    {
        ++m_log.logons;
        m_log.lastLogonWindow = hwnd;
        return m_log.logonResult;
    }
    HRESULT Logoff() override
    {
        ++m_log.logoffs;
        return S_OK;
    }
    HRESULT get_Version(BSTR* version) override
    {
        *version = nullptr;
        return S_OK;
    }
    HRESULT GetDefaultFolder(int, IFolder** result) override
    {
        ++m_log.folderCalls;
        *result = nullptr;
        return m_log.NextFolderResult();
    }
    // Answers with the item kind in the OID's place, so the caller can see
    // the call arrived with its arguments.
    HRESULT CreateItem(int kind, IDispatch** item) override
    {
        *item = nullptr;
        return static_cast<HRESULT>(0x100 + kind);
    }
    HRESULT GetItemFromOid(LONG oid, IDispatch** item) override
    {
        *item = nullptr;
        return static_cast<HRESULT>(0x200 + oid);
    }
    HRESULT GetTimeZoneInformationFromIndex(int index, TIME_ZONE_INFORMATION* tzi) override
    {
        *tzi = TIME_ZONE_INFORMATION{};
        tzi->Bias = index;
        return S_OK;
    }
    HRESULT get_OutlookCompatible(VARIANT_BOOL* compatible) override
    {
        *compatible = VARIANT_TRUE;
        return S_OK;
    }

private:
    FakeOutlookLog& m_log;
};

// A COutlook whose applications are fakes; createResult fails the creation.
class FakeCOutlook : public COutlook {
public:
    explicit FakeCOutlook(FakeOutlookLog& log) : m_log(log) {}
    ~FakeCOutlook() override { Close(); }

    HRESULT createResult = S_OK;
    // Runs inside the creation, before the application exists (for tests
    // that need a logon to be under way).
    std::function<void()> duringCreate;

protected:
    HRESULT CreateApplication(IPOutlookApp** app) override
    {
        if (duringCreate) duringCreate();
        if (FAILED(createResult)) {
            *app = nullptr;
            return createResult;
        }
        *app = new FakeOutlookApp(m_log);
        return S_OK;
    }

private:
    FakeOutlookLog& m_log;
};

inline HWND FakeWindow(std::uintptr_t value) { return reinterpret_cast<HWND>(value); }

}  // namespace kstest
