#pragma once

// Values of this deployment: the operator's accounts and the marketplace's
// hosts. Kept together so that another deployment changes one file.
namespace deployment {

// Advertising redirect service. An empty host means: no redirect, the page
// addresses are used on their own.
inline constexpr char kRedirectHost[] = "";
inline constexpr char kRedirectCampaign[] = "";
inline constexpr char kRedirectPartner[] = "";

// The German marketplace and its page hosts.
inline constexpr char kDefaultDomain[] = "ebay.de";
inline constexpr char kFeedbackHost[] = "feedback.ebay.de";
inline constexpr char kItemHost[] = "cgi.ebay.de";

// Support named by the error dialog.
inline constexpr char kSupportMail[] = "support@notenschau.de";
inline constexpr char kSupportWeb[] = "www.notenschau.de";

} // namespace deployment
