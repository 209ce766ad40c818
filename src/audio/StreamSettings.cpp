#include "audio/StreamSettings.h"

#include "audio/AudioIn.h"
#include "audio/AudioOut.h"

void configureRecording(TAudioIn& component) {
    // Set in this order, so that the stereo format only rounds the size down.
    component.setBufferSize(recordingBufferBytes);
    component.setNumBuffers(2);
    component.setFrameRate(44100);
    component.setStereo(true);
}

void configurePlayback(TAudioOut& component) {
    component.setBufferSize(playbackBufferBytes);
    component.setFrameRate(44100);
}
