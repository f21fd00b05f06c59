#include <gtest/gtest.h>

#include "download/HostName.h"

TEST(HostName, OfAnAddress) {
    EXPECT_EQ(HostName::Of("http://Example.COM/a.pdf"), "example.com");
    EXPECT_EQ(HostName::Of("https://user:pw@files.example.com:8443/x?y=1#z"), "files.example.com");
    EXPECT_EQ(HostName::Of("http://a.example?x=http://b.example/"), "a.example");
    EXPECT_EQ(HostName::Of("http://[2001:DB8::1]:8080/a"), "2001:db8::1");
    EXPECT_EQ(HostName::Of("www.example.com/doc.pdf"), "www.example.com");
    // A path's "@" is not a user part.
    EXPECT_EQ(HostName::Of("http://a.example/@b.example"), "a.example");
    EXPECT_EQ(HostName::Of(""), "");
    EXPECT_EQ(HostName::Of("http://"), "");
    EXPECT_EQ(HostName::Of("http://[::1"), "");
    EXPECT_EQ(HostName::Of(QString(100000, u'a')), QString(100000, u'a'));
}
