// Host commands the placer sends: process names, parameter strings in a fresh
// 256-byte buffer, and whether the current view goes with them.
#include <gtest/gtest.h>

#include <string>

#include "app/AppClient.h"
#include "host/HostCommands.h"
#include "plugin/Main_AutoPlacer.h"

namespace autoplacer {
namespace {

TEST(HostCommands, CarryTheirParametersInAFreshBufferWithTheView) {
    app::AppClient client;
    sdk::IServerModule* module = nullptr;
    ASSERT_EQ(ServerFactory(&client, &module), sdk::kResultOk);

    ZoomArea(1.5, -2, 1234.56789012345678, 0.0254);
    OptimizeAllConnections();
    ZoomRedraw();
    RunHostStatisticalPlacer(false);
    RunHelpTopic("Placer choice");

    const auto& calls = client.GetProcessCalls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[0].Process, "PCB:Zoom");
    EXPECT_EQ(calls[0].Parameters,
              "Action=Area|Location1.X=1.5|Location1.Y=-2|Location2.X=1234.56789012346|Location2.Y=0.0254");
    EXPECT_EQ(calls[1].Process, "PCB:NetList");
    EXPECT_EQ(calls[1].Parameters, "Optimize=All");
    EXPECT_EQ(calls[2].Parameters, "Action=Redraw");
    EXPECT_EQ(calls[3].Process, "Placer:RunAutoPlacer");
    EXPECT_EQ(calls[3].Parameters, "Batch=True|UseAutoPCBUpdate=False");
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(calls[i].Size, 256) << i;
        EXPECT_TRUE(calls[i].WithView) << i;
    }
    // The help topic is the whole buffer and goes without a view.
    EXPECT_EQ(calls[4].Process, "Client:RunHelpTopic");
    EXPECT_EQ(calls[4].Parameters, "Placer choice");
    EXPECT_FALSE(calls[4].WithView);

    module->Release();
    // Without a client nothing is sent.
    EXPECT_EQ(RunHostProcess("PCB:Zoom", {{"Action", "Redraw"}}), sdk::kResultError);
}

TEST(HostCommands, LongHelpTopicsAreCutToTheBuffer) {
    app::AppClient client;
    sdk::IServerModule* module = nullptr;
    ASSERT_EQ(ServerFactory(&client, &module), sdk::kResultOk);
    RunHelpTopic(std::string(400, 'h'));
    ASSERT_EQ(client.GetProcessCalls().size(), 1u);
    EXPECT_EQ(client.GetProcessCalls()[0].Parameters, std::string(255, 'h'));
    module->Release();
}

}  // namespace
}  // namespace autoplacer
