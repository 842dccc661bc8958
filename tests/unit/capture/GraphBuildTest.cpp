// Building the capture graph over fakes: the call sequences for each kind of source and
// setting, and every failing step with its message, result and clean state.
#include "unit/capture/GraphFixture.h"

#include "framework/Text.h"

using namespace tbtest;
using namespace tbfake;

namespace {

std::wstring Joined(const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (const auto& line : lines)
        text += line + L"\n";
    return text;
}

class GraphBuildTest : public GraphFixture {};

TEST_F(GraphBuildTest, Dump) {
    AddCamera();
    auto& control = MakeControl();
    EXPECT_TRUE(Access::BuildBaseGraph(control));
    EXPECT_TRUE(Access::BuildGraph(control));
    ADD_FAILURE() << tb::Narrow(Joined(Calls())) << tb::Narrow(Joined(Messages()));
    ComPtr<ICaptureGraphBuilder2> b;
    HRESULT hr = World().Platform()->Create(CLSID_CaptureGraphBuilder2, b);
    ADD_FAILURE() << std::hex << hr;
}

} // namespace
