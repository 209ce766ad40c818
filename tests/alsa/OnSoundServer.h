#pragma once
// The fixture of the tests on the real ALSA path: one private sound server
// for each test suite, and a fresh ALSA sound card for each test. Without
// its server a test fails: the real path would go untested.

#include "PipeWireServer.h"
#include "PulseServer.h"
#include "platform/alsa/AlsaSoundCard.h"

#include <gtest/gtest.h>
#include <memory>

template <class Server> class OnSoundServer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = new Server;
        if (!server_->start(failure_)) failure_ = "the private sound server: " + failure_;
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(server_->running()) << failure_.toStdString();
        install({});
    }
    // Installs an ALSA card with these options (the desktop mixer never starts).
    platform::alsa::AlsaSoundCard& install(platform::alsa::AlsaOptions options) {
        options.mixerLauncher = [] { return false; };
        auto card = std::make_unique<platform::alsa::AlsaSoundCard>(std::move(options));
        card_ = card.get();
        platform::installSoundCard(std::move(card));
        return *card_;
    }

    static inline Server* server_ = nullptr;
    static inline QString failure_;
    platform::alsa::AlsaSoundCard* card_ = nullptr;
};

using OnPulseServer = OnSoundServer<PulseServer>;
