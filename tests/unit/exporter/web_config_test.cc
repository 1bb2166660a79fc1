#include "exporter/web_config.h"

#include <gtest/gtest.h>

#include "text/base64.h"

namespace tolvaran {
namespace {

// "scrape-secret", bcrypt with cost 4 (made with Python's crypt module).
const char kHash[] = "$2b$04$VgB.yd5teYIRTQXUdOQvoeuCIhSODmrSyAcfK/CMktgqR4hubYP1q";

TEST(WebConfig, ReadsTheToolkitsTlsAndUsersAndRefusesWhatItDoesNotServe) {
  WebConfig config;
  std::string error;
  ASSERT_TRUE(ParseWebConfig(std::string("# web config\n"
                                         "tls_server_config:\n"
                                         "  cert_file: /etc/e/tls.crt  # the chain\n"
                                         "  key_file: \"/etc/e/tls key\"\n"
                                         "basic_auth_users:\n"
                                         "  prometheus: '") +
                                 kHash + "'\n",
                             &config, &error))
      << error;
  EXPECT_EQ(config.certFile, "/etc/e/tls.crt");
  EXPECT_EQ(config.keyFile, "/etc/e/tls key");
  EXPECT_TRUE(config.tls());
  EXPECT_EQ(config.users.at("prometheus"), kHash);

  for (const char* bad : {
           "http_server_config:\n  http2: false\n",
           "tls_server_config:\n  cert_file: a\n  client_auth_type: RequireAndVerifyClientCert\n",
           "tls_server_config:\n  cert_file: a\n",
           "basic_auth_users:\n  prometheus: plaintext\n",
           "basic_auth_users:\n  prometheus: \"unclosed\n",
           "  cert_file: a\n",
           "tls_server_config\n",
       }) {
    EXPECT_FALSE(ParseWebConfig(bad, &config, &error)) << bad;
    EXPECT_FALSE(error.empty());
  }
}

TEST(WebConfig, BasicAuthChecksTheBcryptHash) {
  if (!BcryptAvailable()) GTEST_SKIP() << "no bcrypt in this build";
  BasicAuth auth(std::map<std::string, std::string>{{"prometheus", kHash}});
  ASSERT_TRUE(auth.Required());
  const std::string good = "Basic " + Base64Encode("prometheus:scrape-secret");
  EXPECT_TRUE(auth.Allows(good));
  EXPECT_TRUE(auth.Allows(good));  // the second time from what matched
  EXPECT_FALSE(auth.Allows("Basic " + Base64Encode("prometheus:scrape-secreT")));
  EXPECT_FALSE(auth.Allows("Basic " + Base64Encode("other:scrape-secret")));
  EXPECT_FALSE(auth.Allows("Basic " + Base64Encode("prometheus")));
  EXPECT_FALSE(auth.Allows("Bearer " + Base64Encode("prometheus:scrape-secret")));
  EXPECT_FALSE(auth.Allows(""));
  EXPECT_FALSE(BasicAuth(std::map<std::string, std::string>()).Required());
}

}  // namespace
}  // namespace tolvaran
