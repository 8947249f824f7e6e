This is a CMS file. Do NOT edit!
Head     1.2;
Branch   ;
Access   ann bob carl;
RevNames  ;
Locks    ann:1.2 bob:1.1;
CmsVersion 2;
Binary 0;


1.2
Date     2026.5.1.0.0.13;
  Author ann;
  State Exp;
Branches     
 ;
Next     1.1;

1.1
Date     2026.5.1.0.0.12;
  Author ann;
  State Exp;
Branches     
 ;
Next     ;


Description
@shared @@ three
@



1.2
Log
@Saved by ann  2026.5.1.0.0.13.
@
Text
@two
@


1.1
Log
@Initial revision
@
Text
@d1 1
a1 1
one
@
