#include "net/vt_client.hpp"

#include "net/version_answer.hpp"
#include "platform/error.hpp"

namespace zov::net {
namespace {

constexpr const char* kSource = "VTClient.CheckForUpdate";

[[noreturn]] void failAnswer(const std::string& what) {
    throw Error(platform::kHttpInvalidResponse, "The version server's answer " + what + ".",
                kSource);
}

}  // namespace

VTClient::VTClient(platform::HttpClient& http, std::string productCaption,
                   platform::HttpLimits limits)
    : http_(http), productCaption_(std::move(productCaption)), limits_(limits) {}

void VTClient::CheckForUpdate(const std::string& versionServerURL,
                              const std::string& localVersion) {
    // Counts as checked before anything can fail, so the caller may read what it has.
    checkDone_ = true;
    localVersion_ = localVersion;

    platform::HttpResponse response;
    try {
        response = http_.get(versionServerURL + "?" + localVersion, limits_);
    } catch (const Error& error) {
        throw Error(error.number(), error.description(), kSource);
    }
    // An error page is no answer, even when it happens to contain the elements.
    if (response.status < 200 || response.status > 299) {
        failAnswer("came with HTTP status " + std::to_string(response.status));
    }

    // Each element is taken in turn, so one that is missing leaves those before it read.
    const VersionAnswer answer = VersionAnswer::parse(response.body);
    if (!answer.product) {
        failAnswer("has no product element");
    }
    productName_ = answer.product->name;
    productURL_ = answer.product->url;

    if (!answer.version) {
        failAnswer("has no version element");
    }
    updateExists_ = VersionAnswer::flag(answer.version->newerThanYou);
    if (updateExists_) {
        updateRequired_ = VersionAnswer::flag(answer.version->requireUpdate);
    }
    latestVersion_ = answer.version->id;

    if (!answer.modifications) {
        failAnswer("has no modifications element");
    }
    latestModifications_ = *answer.modifications;

    if (!answer.url) {
        failAnswer("has no url element");
    }
    latestVersionURL_ = *answer.url;
}

void VTClient::requireCheck(const char* property) const {
    if (!checkDone_) {
        throw Error(kNotChecked,
                    std::string("You must call clsVersionTracker.CheckForUpdate() before "
                                "clsVersionTracker.") +
                        property + ".",
                    productCaption_);
    }
}

bool VTClient::UpdateExists() const {
    requireCheck("UpdateExists");
    return updateExists_;
}

bool VTClient::UpdateRequired() const {
    requireCheck("UpdateRequired");
    return updateRequired_;
}

const std::string& VTClient::LatestVersion() const {
    requireCheck("LatestVersion");
    return latestVersion_;
}

const std::string& VTClient::LatestModifications() const {
    requireCheck("LatestModifications");
    return latestModifications_;
}

const std::string& VTClient::LatestVersionURL() const {
    requireCheck("LatestVersionURL");
    return latestVersionURL_;
}

const std::string& VTClient::ProductName() const {
    requireCheck("ProductName");
    return productName_;
}

const std::string& VTClient::ProductURL() const {
    requireCheck("ProductURL");
    return productURL_;
}

const std::string& VTClient::LocalVersion() const {
    requireCheck("LocalVersion");
    return localVersion_;
}

}  // namespace zov::net
