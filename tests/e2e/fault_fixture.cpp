#include "fault_fixture.h"

#include "link/link_texts.h"

namespace korvane::e2e {

void FaultTest::Link()
{
    app_.Click(kLinkButton);
    ASSERT_TRUE(app_.WaitForStatus(std::string(kConnectedText), kSoon)) << app_.Status() << "\n" << Transcript();
}

}  // namespace korvane::e2e
