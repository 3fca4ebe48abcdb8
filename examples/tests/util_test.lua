-- Game test: helpers offered to every script.

function main()
  StartGameTest()
  StartTest("md5")
  Assert(MD5("") == "d41d8cd98f00b204e9800998ecf8427e", "md5 of the empty text")
  Assert(MD5("abc") == "900150983cd24fb0d6963f7d28e17f72", "md5 of abc")
  EndTest("md5")
  EndGameTest()
end
