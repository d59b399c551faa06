#pragma once

#include "base/MainRunLoop.h"
#include "platform/UserNotificationCenter.h"

#include <vector>

namespace ostrel {

// A notification centre that answers with the status the test sets and keeps what it was
// given. Completions run through the run loop, as the contract asks: tests call runPending().
class FakeUserNotificationCenter final : public UserNotificationCenter {
public:
    explicit FakeUserNotificationCenter(MainRunLoop& loop) : loop_(loop) {}

    void getNotificationSettings(SettingsCompletion completion) override {
        ++settingsQueries;
        loop_.post([this, completion] { completion(settings); });
    }
    void requestAuthorization(AuthorizationCompletion completion) override {
        ++authorizationRequests;
        loop_.post([this, completion] {
            if (authorizationError) {
                completion(false, authorizationError);
                return;
            }
            settings.authorizationStatus = grantOnRequest
                                               ? NotificationAuthorizationStatus::Authorized
                                               : NotificationAuthorizationStatus::Denied;
            completion(grantOnRequest, std::nullopt);
        });
    }
    void setNotificationCategories(const QList<NotificationCategory>& set) override {
        categories = set;
    }
    void addNotificationRequest(const NotificationRequest& request,
                                AddCompletion completion) override {
        requests.push_back(request);
        loop_.post([this, completion] { completion(addError); });
    }

    // The user pressing a button of the notification posted last.
    void respond(const QString& actionIdentifier) {
        const NotificationRequest& request = requests.back();
        if (UserNotificationCenterDelegate* receiver = delegate.get()) {
            receiver->didReceiveNotificationResponse(
                {actionIdentifier, request.identifier, request.content.userInfo});
        }
    }

    NotificationSettings settings{NotificationAuthorizationStatus::Authorized,
                                  NotificationSetting::Enabled, NotificationSetting::Enabled};
    bool grantOnRequest = true;
    std::optional<QString> authorizationError;
    std::optional<QString> addError;

    int settingsQueries = 0;
    int authorizationRequests = 0;
    QList<NotificationCategory> categories;
    std::vector<NotificationRequest> requests;

private:
    MainRunLoop& loop_;
};

} // namespace ostrel
