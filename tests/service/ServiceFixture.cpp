#include "ServiceFixture.h"

#include <QtTest/QTest>

#include <chrono>
#include <cstdio>
#include <string>

namespace ostrevik::test {

using namespace std::chrono_literals;

void ServiceFixture::SetUp() {
    sim = startSimulator(ports, 1);
    form = std::make_unique<TForm1>(dir.filePath(QStringLiteral("Ostrevik.cfg")));
    form->show();
    ASSERT_TRUE(waitUntil([&] { return form->Started(); }, 5000));
    ASSERT_TRUE(sim->WaitForReceived({0x01, 0x01, 0x6D}, 2s));
    ASSERT_TRUE(ui.messages.empty());
}

ServiceFixture::~ServiceFixture() {
    form.reset();  // the port closes before the device goes
    sim.reset();
}

qtxsim::Bytes ServiceFixture::receivedSince(size_t mark) const {
    const qtxsim::Bytes all = sim->Received();
    return mark < all.size() ? qtxsim::Bytes(all.begin() + static_cast<long>(mark), all.end())
                             : qtxsim::Bytes{};
}

namespace {

std::string hex(const qtxsim::Bytes& bytes) {
    std::string out;
    char buffer[4];
    for (uint8_t b : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02X ", b);
        out += buffer;
    }
    return out;
}

}  // namespace

::testing::AssertionResult ServiceFixture::waitForExactly(size_t mark, const qtxsim::Bytes& bytes,
                                                          int timeoutMs) const {
    waitUntil([&] { return receivedSince(mark).size() >= bytes.size(); }, timeoutMs);
    // A moment more, so that a byte too many shows as well.
    QTest::qWait(20);
    const qtxsim::Bytes got = receivedSince(mark);
    if (got == bytes) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "received " << hex(got) << "instead of " << hex(bytes);
}

TMDIChild* ServiceFixture::newDocument() {
    const size_t before = mark();
    form->Documents().DateiNeu();
    // The window's Measure has reached the device before anything else.
    EXPECT_TRUE(waitForExactly(before, {0x6D}));
    return form->Documents().Active();
}

void ServiceFixture::whileOpen(std::function<void(QDialog&)> body) {
    ui.whileOpen(std::move(body));
}

void ServiceFixture::expectDecoderReceives(TMDIChild* doc) {
    ASSERT_NE(doc, nullptr);
    const int before = doc->Liste->Anzahl();
    sim->QueueScript({0x02, 0x50, 0x10, 0x20, 0x03});
    ASSERT_TRUE(waitUntil([&] { return doc->Liste->Anzahl() == before + 1; }));
    const Raster_t& record = doc->Liste->Datensatz(before - 1);
    EXPECT_EQ(record.Tonschwelle, 0x50u);
    EXPECT_EQ(record.Werte, (std::vector<uint8_t>{0x10, 0x20}));
}

}  // namespace ostrevik::test
